#!/bin/sh
# Stands in for the recorder program in tests. The address (third argument) picks what it does.
case "$3" in
    novideo) printf '[0] stream_out_transcode stream out error: cannot create video chain\n'; exec sleep 30 ;;
    print) printf 'ligne un\r\nligne deux\r\n'; exec sleep 30 ;;
    quick | */quick) printf 'fini\n' ;;
    stubborn) trap '' TERM; printf 'pret\n'; while :; do sleep 1; done ;;
    burst*) head -c "${3#burst}" /dev/zero | tr '\0' 'x'; exec sleep 30 ;;
    last*) head -c "${3#last}" /dev/zero | tr '\0' 'x' ;;
    *) exec sleep 30 ;;
esac
