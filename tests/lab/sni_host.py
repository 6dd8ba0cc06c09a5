#!/usr/bin/python3
"""A StatusNotifier host as a desktop panel runs one (KDE Plasma, Xfce's panel, GNOME's
AppIndicator extension): it owns org.kde.StatusNotifierWatcher on the session bus, says
a host is registered, records each item that registers, and clicks an item the way
those panels do, with one Activate call.

usage: sni_host.py watch ITEMS_FILE   runs until killed; appends each item's bus name
       sni_host.py click BUS_NAME     one left click on that item
"""
import sys

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
XML = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<signal name="StatusNotifierHostRegistered"/>
</interface></node>"""


def watch(items_file):
    items = []
    loop = GLib.MainLoop()

    def on_call(conn, sender, path, iface, method, args, invocation):
        if method == "RegisterStatusNotifierItem":
            # An item names its bus name, or only its object path on the caller's name.
            service = args.unpack()[0]
            name = sender if service.startswith("/") else service
            items.append(name)
            with open(items_file, "a") as f:
                f.write(name + "\n")
            conn.emit_signal(None, "/StatusNotifierWatcher", WATCHER,
                             "StatusNotifierItemRegistered", GLib.Variant("(s)", (name,)))
        invocation.return_value(None)

    def on_get(conn, sender, path, iface, prop):
        if prop == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", items)
        if prop == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    def on_bus(conn, name):
        node = Gio.DBusNodeInfo.new_for_xml(XML)
        conn.register_object("/StatusNotifierWatcher", node.interfaces[0], on_call, on_get, None)

    def on_name(conn, name):
        with open(items_file + ".ready", "w") as f:
            f.write("ready\n")

    Gio.bus_own_name(Gio.BusType.SESSION, WATCHER, Gio.BusNameOwnerFlags.NONE, on_bus, on_name,
                     lambda *a: loop.quit())
    loop.run()


def click(bus_name):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync(bus_name, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
                  GLib.Variant("(ii)", (0, 0)), None, Gio.DBusCallFlags.NONE, 5000, None)


if __name__ == "__main__":
    if sys.argv[1] == "watch":
        watch(sys.argv[2])
    else:
        click(sys.argv[2])
