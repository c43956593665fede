#!/bin/sh
# The real vlc under a numeric locale with a decimal comma, as a French session
# started it before the recorder's own locale: its MPEG-2 encoder refuses its
# options and the recording loses its picture.
exec env LC_NUMERIC=fr_FR.UTF-8 /usr/bin/vlc "$@"
