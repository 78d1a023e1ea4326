"""A stand-in for the desktop's notification service on the session bus:
each Notify call is written to the log file as "summary<TAB>body"."""
import sys

from gi.repository import Gio, GLib

XML = """<node><interface name="org.freedesktop.Notifications">
<method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/>
 <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
 <arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
 <arg type="u" direction="out"/></method>
<method name="GetCapabilities"><arg type="as" direction="out"/></method>
<method name="GetServerInformation"><arg type="s" direction="out"/><arg type="s" direction="out"/>
 <arg type="s" direction="out"/><arg type="s" direction="out"/></method>
</interface></node>"""

log = open(sys.argv[1], "a", encoding="utf-8")
count = 0


def call(_conn, _sender, _path, _iface, method, params, invocation):
    global count
    if method == "Notify":
        args = params.unpack()
        count += 1
        log.write(f"{args[3]}\t{args[4]}\n")
        log.flush()
        invocation.return_value(GLib.Variant("(u)", (count,)))
    elif method == "GetCapabilities":
        invocation.return_value(GLib.Variant("(as)", (["body"],)))
    else:
        invocation.return_value(GLib.Variant("(ssss)", ("notices.py", "kestrune tests", "1", "1.2")))


def bus_acquired(conn, _name):
    conn.register_object("/org/freedesktop/Notifications", Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0],
                         call, None, None)


Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications", Gio.BusNameOwnerFlags.NONE,
                 bus_acquired, None, None)
GLib.MainLoop().run()
