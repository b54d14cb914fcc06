#!/usr/bin/python3
"""A desktop's screen-saver service on a private session bus, for the tests: it owns
org.freedesktop.ScreenSaver, answers Inhibit with a new cookie and UnInhibit, and logs each call
and each caller that leaves the bus while it still holds a cookie, one line each, to LOG:

    inhibit COOKIE APPLICATION|REASON SENDER
    uninhibit COOKIE SENDER
    vanished COOKIE SENDER          (the caller left without UnInhibit)

Usage: screen_saver_service.py LOG   (with DBUS_SESSION_BUS_ADDRESS set; writes "ready" once
it owns the name)"""
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node><interface name="org.freedesktop.ScreenSaver">
  <method name="Inhibit"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="u" direction="out"/></method>
  <method name="UnInhibit"><arg type="u" direction="in"/></method>
</interface></node>"""

log = open(sys.argv[1], "a", buffering=1)
held = {}  # cookie -> (sender, watch id)
next_cookie = [1]


def on_vanished(_connection, sender):
    for cookie, (owner, watch) in list(held.items()):
        if owner == sender:
            log.write(f"vanished {cookie} {sender}\n")
            Gio.bus_unwatch_name(watch)
            del held[cookie]


def on_call(connection, sender, _path, _interface, method, args, invocation):
    if method == "Inhibit":
        cookie = next_cookie[0]
        next_cookie[0] += 1
        application, reason = args.unpack()
        log.write(f"inhibit {cookie} {application}|{reason} {sender}\n")
        watch = Gio.bus_watch_name_on_connection(connection, sender, Gio.BusNameWatcherFlags.NONE,
                                                 None, on_vanished)
        held[cookie] = (sender, watch)
        invocation.return_value(GLib.Variant("(u)", (cookie,)))
    else:
        (cookie,) = args.unpack()
        log.write(f"uninhibit {cookie} {sender}\n")
        if cookie in held:
            Gio.bus_unwatch_name(held.pop(cookie)[1])
        invocation.return_value(None)


def on_bus(connection, _name):
    info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
    connection.register_object("/org/freedesktop/ScreenSaver", info, on_call, None, None)


Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.ScreenSaver", Gio.BusNameOwnerFlags.NONE,
                 on_bus, lambda *_: log.write("ready\n"), lambda *_: sys.exit("name not owned"))
GLib.MainLoop().run()
