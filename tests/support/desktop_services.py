#!/usr/bin/python3
"""The desktop's D-Bus services that Kalore uses, on buses of the test's own: the
notification service (org.freedesktop.Notifications) on the session bus, and logind
(org.freedesktop.login1) on the system bus, enough of each for Kalore.

Prints one line a call, flushed: "READY" once both names are owned, then
"NOTIFY <id> <json [summary, body, actions, desktop-entry]>", "INHIBIT <json [what,
who, why, mode]>", and "RELEASED" when every copy of a lock's descriptor is closed.
Reads commands, one a line: "CLICK <id>" (the notice is clicked), "SLEEP" and "WAKE"
(logind's PrepareForSleep).
Usage: desktop_services.py SESSION_BUS_ADDRESS SYSTEM_BUS_ADDRESS
"""

import json
import os
import sys

from gi.repository import Gio, GLib

NOTIFICATIONS = """<node><interface name="org.freedesktop.Notifications">
<method name="GetCapabilities"><arg type="as" direction="out"/></method>
<method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/>
<arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
<arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
<arg type="u" direction="out"/></method>
<signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
<signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface></node>"""

LOGIN = """<node><interface name="org.freedesktop.login1.Manager">
<method name="Inhibit"><arg type="s" direction="in"/><arg type="s" direction="in"/>
<arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="h" direction="out"/>
</method>
<signal name="PrepareForSleep"><arg type="b"/></signal>
</interface></node>"""


def say(line):
    print(line, flush=True)


class Services:
    def __init__(self, session_address, system_address):
        flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                 | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        self.session = Gio.DBusConnection.new_for_address_sync(session_address, flags)
        self.system = Gio.DBusConnection.new_for_address_sync(system_address, flags)
        self.last_id = 0
        self.owned = 0
        self.serve(self.session, "org.freedesktop.Notifications",
                   "/org/freedesktop/Notifications", NOTIFICATIONS)
        self.serve(self.system, "org.freedesktop.login1", "/org/freedesktop/login1", LOGIN)

    def serve(self, bus, name, path, xml):
        interface = Gio.DBusNodeInfo.new_for_xml(xml).interfaces[0]
        bus.register_object(path, interface, self.called, None, None)
        Gio.bus_own_name_on_connection(bus, name, Gio.BusNameOwnerFlags.NONE, self.acquired,
                                       None)

    def acquired(self, _bus, _name):
        self.owned += 1
        if self.owned == 2:
            say("READY")

    def called(self, _bus, _sender, _path, _interface, method, args, invocation):
        if method == "GetCapabilities":
            invocation.return_value(GLib.Variant("(as)", (["body", "actions"],)))
        elif method == "Notify":
            _app, _replaces, _icon, summary, body, actions, hints, _timeout = args.unpack()
            self.last_id += 1
            say("NOTIFY %d %s" % (self.last_id, json.dumps(
                [summary, body, actions, hints.get("desktop-entry", "")], ensure_ascii=False)))
            invocation.return_value(GLib.Variant("(u)", (self.last_id,)))
        elif method == "Inhibit":
            say("INHIBIT " + json.dumps(list(args.unpack()), ensure_ascii=False))
            readable, writable = os.pipe()
            descriptors = Gio.UnixFDList.new()
            index = descriptors.append(writable)
            os.close(writable)
            GLib.unix_fd_add_full(GLib.PRIORITY_DEFAULT, readable, GLib.IOCondition.HUP,
                                  self.released)
            invocation.return_value_with_unix_fd_list(GLib.Variant("(h)", (index,)), descriptors)

    def released(self, readable, _condition):
        say("RELEASED")
        os.close(readable)
        return False

    def command(self, _fd, _condition):
        line = sys.stdin.readline()
        if not line:
            GLib.MainLoop().quit()
            sys.exit(0)
        words = line.split()
        if words[:1] == ["CLICK"]:
            self.session.emit_signal(None, "/org/freedesktop/Notifications",
                                     "org.freedesktop.Notifications", "ActionInvoked",
                                     GLib.Variant("(us)", (int(words[1]), "default")))
        elif words[:1] in (["SLEEP"], ["WAKE"]):
            self.system.emit_signal(None, "/org/freedesktop/login1",
                                    "org.freedesktop.login1.Manager", "PrepareForSleep",
                                    GLib.Variant("(b)", (words[0] == "SLEEP",)))
        return True


def main():
    services = Services(sys.argv[1], sys.argv[2])
    GLib.unix_fd_add_full(GLib.PRIORITY_DEFAULT, sys.stdin.fileno(), GLib.IOCondition.IN,
                          services.command)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
