#!/bin/sh
# demo-workspace.sh <file> <pty>: prepares the demo preferences file whose Terminal 1 talks to the simulator.
# A missing file is created; an existing one keeps everything except Terminal 1's PortName and Connected,
# which change with every run because the pty path does.
set -e
file="$1"
pty="$2"
dir=$(dirname "$file")
if [ ! -f "$dir/demo.vxt" ]; then
    # A small program to show the editor's colouring; never overwritten once it exists.
    printf '%s\r\n' \
        "' Demo program for the simulated Veltor on Terminal 1" \
        "'[PROGRAMS]" \
        "PG 100" \
        "LB MAIN" \
        "  VA COUNT = 0" \
        "  accel = 2000" \
        "  speed = 1500" \
        "  move 4000" \
        "  if COUNT > 10 then home" \
        "  pr \"Cycle done\"" \
        "  branch MAIN" \
        "end" >"$dir/demo.vxt"
fi
if [ ! -f "$file" ]; then
    cat >"$file" <<INI
[Setup]
State=0
Width=17000
Height=10500
DocCt=1
CommCt=1

[Pgm_0]
State=0

[Pgm_1]
State=0
Name=$(cd "$dir" && pwd)/demo.vxt
Left=9750
Top=0
Width=6800
Height=8400

[Comm_0]
State=0

[Comm_1]
State=0
Name=Terminal1
Left=0
Top=0
Width=9600
Height=8400
Columns=80
Rows=30
Device=4
Port=1
PortName=$pty
Connected=-1
Settings=9600,N,8,1
TranslateCR=0
INI
    exit 0
fi

# Rewrite [Comm_1] PortName and Connected in place; add them (or the section, with CommCt at least 1) if missing.
tmp="$file.demo-tmp"
awk -v pty="$pty" '
function flush() {
    if (insec) {
        if (!seenport) print "PortName=" pty eol
        if (!seenconn) print "Connected=-1" eol
    }
    insec = 0
}
BEGIN { insec = 0; found = 0; eol = "" }
/\r$/ { eol = "\r" }
/^[ \t]*\[/ {
    flush()
    name = tolower($0)
    gsub(/[ \t\r]/, "", name)
    if (name == "[comm_1]") { insec = 1; found = 1; seenport = 0; seenconn = 0 }
    print
    next
}
insec && tolower($0) ~ /^[ \t]*portname[ \t]*=/ { print "PortName=" pty eol; seenport = 1; next }
insec && tolower($0) ~ /^[ \t]*connected[ \t]*=/ { print "Connected=-1" eol; seenconn = 1; next }
insec && /^[ \t\r]*$/ { flush(); print; next }
{ print }
END {
    flush()
    if (!found) {
        print eol
        print "[Comm_1]" eol
        print "State=0" eol
        print "Name=Terminal1" eol
        print "Device=4" eol
        print "PortName=" pty eol
        print "Connected=-1" eol
    }
}' "$file" >"$tmp"
if ! grep -qi '^\[comm_1\]' "$file"; then
    # The demo terminal had been closed: count it again so the program opens it.
    awk '
    BEGIN { insetup = 0; done = 0; eol = "" }
    /\r$/ { eol = "\r" }
    /^[ \t]*\[/ {
        if (insetup && !done) { print "CommCt=1" eol; done = 1 }
        insetup = (tolower($0) ~ /^[ \t]*\[setup\]/)
    }
    insetup && tolower($0) ~ /^[ \t]*commct[ \t]*=/ {
        split($0, kv, "="); if (kv[2] + 0 < 1) { print "CommCt=1" eol } else { print }
        done = 1; next
    }
    { print }' "$tmp" >"$tmp.2"
    mv "$tmp.2" "$tmp"
fi
mv "$tmp" "$file"
