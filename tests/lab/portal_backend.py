#!/usr/bin/python3
"""A global-shortcuts backend for the real xdg-desktop-portal, standing in for the one a
desktop brings (KDE Plasma's). Debian 12 has no backend of this interface that runs
without a desktop, so the lab declares this one with a .portal file of its own.

It grants every binding as asked, writes each bound shortcut as "ID TRIGGER" to
BOUND_FILE, and presses a bound key when told over the bus:
    org.vostrelle.LabKeys.Press()   on /org/vostrelle/LabKeys

usage: portal_backend.py BOUND_FILE   runs until killed; BOUND_FILE.ready once on the bus
"""
import sys
import time

from gi.repository import Gio, GLib

NAME = "org.freedesktop.impl.portal.desktop.vostrellelab"
IFACE = "org.freedesktop.impl.portal.GlobalShortcuts"
XML = """<node>
<interface name="org.freedesktop.impl.portal.GlobalShortcuts">
<method name="CreateSession"><arg type="o" direction="in"/><arg type="o" direction="in"/>
<arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
<arg type="u" direction="out"/><arg type="a{sv}" direction="out"/></method>
<method name="BindShortcuts"><arg type="o" direction="in"/><arg type="o" direction="in"/>
<arg type="a(sa{sv})" direction="in"/><arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
<arg type="u" direction="out"/><arg type="a{sv}" direction="out"/></method>
<method name="ListShortcuts"><arg type="o" direction="in"/><arg type="o" direction="in"/>
<arg type="u" direction="out"/><arg type="a{sv}" direction="out"/></method>
<signal name="Activated"><arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/></signal>
<signal name="Deactivated"><arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/></signal>
<signal name="ShortcutsChanged"><arg type="o"/><arg type="a(sa{sv})"/></signal>
<property name="version" type="u" access="read"/>
</interface>
<interface name="org.vostrelle.LabKeys"><method name="Press"/></interface>
<interface name="org.freedesktop.impl.portal.Session"><method name="Close"/>
<property name="version" type="u" access="read"/></interface>
</node>"""


def main(bound_file):
    info = Gio.DBusNodeInfo.new_for_xml(XML)
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    state = {"session": None, "shortcuts": []}

    def granted(shortcuts):
        return [(sid, {"description": props.get("description", ""),
                       "trigger_description": props.get("preferred_trigger", "")})
                for sid, props in shortcuts]

    def on_call(conn, sender, path, iface, method, args, invocation):
        if method == "CreateSession":
            _, session, _, _ = args.unpack()
            state["session"] = session
            conn.register_object(session, info.lookup_interface("org.freedesktop.impl.portal.Session"),
                                 lambda *a: a[-1].return_value(None), None, None)
            invocation.return_value(GLib.Variant("(ua{sv})", (0, {
                "session_handle": GLib.Variant("s", session)})))
        elif method == "BindShortcuts":
            _, session, shortcuts, _, _ = args.unpack()
            state["session"] = session
            state["shortcuts"] = granted(shortcuts)
            with open(bound_file, "a") as f:
                for sid, props in shortcuts:
                    f.write("%s %s\n" % (sid, props.get("preferred_trigger", "")))
            result = [(sid, {k: GLib.Variant("s", v) for k, v in p.items()})
                      for sid, p in state["shortcuts"]]
            invocation.return_value(GLib.Variant("(ua{sv})", (0, {
                "shortcuts": GLib.Variant("a(sa{sv})", result)})))
        elif method == "ListShortcuts":
            result = [(sid, {k: GLib.Variant("s", v) for k, v in p.items()})
                      for sid, p in state["shortcuts"]]
            invocation.return_value(GLib.Variant("(ua{sv})", (0, {
                "shortcuts": GLib.Variant("a(sa{sv})", result)})))
        elif method == "Press":
            for sid, _ in state["shortcuts"]:
                stamp = int(time.monotonic() * 1000)
                for signal in ("Activated", "Deactivated"):
                    conn.emit_signal(None, "/org/freedesktop/portal/desktop", IFACE, signal,
                                     GLib.Variant("(osta{sv})", (state["session"], sid, stamp, {})))
            invocation.return_value(None)
        else:
            invocation.return_value(None)

    def on_get(conn, sender, path, iface, prop):
        return GLib.Variant("u", 1)

    for iface in ("org.freedesktop.impl.portal.GlobalShortcuts", "org.vostrelle.LabKeys"):
        path = "/org/vostrelle/LabKeys" if iface == "org.vostrelle.LabKeys" else "/org/freedesktop/portal/desktop"
        bus.register_object(path, info.lookup_interface(iface), on_call, on_get, None)

    def on_name(*_):
        open(bound_file + ".ready", "w").close()

    Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.NONE, on_name, None)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main(sys.argv[1])
