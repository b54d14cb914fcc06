#!/usr/bin/python3
"""A desktop's screen-saver service on the session bus: owns org.freedesktop.ScreenSaver, and
logs "ready", then each call, to LOG: "inhibit COOKIE APPLICATION|REASON SENDER" (the cookie
a new number), "uninhibit COOKIE SENDER". Usage: screen_saver_service.py LOG"""
import sys

from gi.repository import Gio, GLib

INTERFACE = """<node><interface name="org.freedesktop.ScreenSaver"><method name="Inhibit">
  <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="u" direction="out"/>
  </method><method name="UnInhibit"><arg type="u" direction="in"/></method></interface></node>"""

log = open(sys.argv[1], "a", buffering=1)
next_cookie = [1]


def on_call(_connection, sender, _path, _interface, method, args, invocation):
    if method == "Inhibit":
        next_cookie[0] += 1
        log.write(f"inhibit {next_cookie[0]} {'|'.join(args.unpack())} {sender}\n")
        invocation.return_value(GLib.Variant("(u)", (next_cookie[0],)))
    else:
        log.write(f"uninhibit {args.unpack()[0]} {sender}\n")
        invocation.return_value(None)


def on_bus(connection, _name):
    info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    connection.register_object("/org/freedesktop/ScreenSaver", info, on_call, None, None)


Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.ScreenSaver", Gio.BusNameOwnerFlags.NONE,
                 on_bus, lambda *_: log.write("ready\n"), lambda *_: sys.exit("name not owned"))
GLib.MainLoop().run()
