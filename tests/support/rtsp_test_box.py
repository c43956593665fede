#!/usr/bin/python3
"""A set-top box's RTSP server on loopback for the tests: H.264 and MPEG audio in
MPEG-TS over RTP payload 33, mounted at /fbxtv_pub/stream (the box's query string is
accepted as is), its session pool capped at one like the box's.

Given a file, it serves that MPEG-TS at its own pace instead (benchmarks use an HD
recording).

Prints "READY <port>" once it listens, then "SESSION" for each session it opens and
"TEARDOWN" for each teardown it receives, one a line, flushed.
Usage: rtsp_test_box.py PORT [MAX_SESSIONS [FILE]]  (benchmarks compare a second reader)
"""

import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

PIPELINE = (
    "( videotestsrc is-live=true pattern=ball background-color=0xff2060c0 "
    "! video/x-raw,format=I420,width=320,height=240,framerate=25/1 "
    "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 bitrate=400 "
    "! h264parse ! mux. "
    "audiotestsrc is-live=true wave=sine "
    "! audio/x-raw,rate=48000,channels=2 ! twolamemp2enc ! mpegaudioparse ! mux. "
    "mpegtsmux name=mux alignment=7 ! rtpmp2tpay name=pay0 pt=33 )"
)


def say(line):
    print(line, flush=True)


def main():
    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(sys.argv[1])
    server.get_session_pool().set_max_sessions(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(
        PIPELINE
        if len(sys.argv) <= 3
        else f"( filesrc location={sys.argv[3]} ! tsparse set-timestamps=true alignment=7 "
        "! rtpmp2tpay name=pay0 pt=33 )"
    )
    factory.set_shared(True)
    server.get_mount_points().add_factory("/fbxtv_pub/stream", factory)

    def on_client(_server, client):
        client.connect("new-session", lambda *_: say("SESSION"))
        client.connect("teardown-request", lambda *_: say("TEARDOWN"))

    server.connect("client-connected", on_client)
    if server.attach(None) == 0:
        say("FAILED")
        return 1
    say(f"READY {server.get_bound_port()}")
    GLib.MainLoop().run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
