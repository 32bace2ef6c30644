#!/bin/sh
# desktop_entry.sh SOURCE-DIR: the desktop entry passes desktop-file-validate, every file type it claims is
# defined by the package's shared-mime-info file and maps the program and workspace extensions to it, and the
# AppStream metainfo names the entry and passes appstreamcli (each check runs when its tool is installed).
set -e
desktop="$1/data/desktop/korvoterm.desktop"
mime="$1/data/desktop/korvoterm-mime.xml"
desktop-file-validate "$desktop"

types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' ')
[ -n "$types" ] || { echo "the desktop entry claims no file types"; exit 1; }
if command -v update-mime-database >/dev/null; then
    db=$(mktemp -d)
    trap 'rm -rf "$db"' EXIT
    mkdir "$db/packages"
    cp "$mime" "$db/packages/korvoterm.xml"
    update-mime-database "$db" 2>/dev/null
    for type in $types; do
        grep -q "^$type\$" "$db/types" || { echo "$type is claimed but not defined"; exit 1; }
    done
    for pair in application/x-korvoterm-workspace:ktm text/x-ukorvo-program:kxt text/x-veltor-program:vxt \
        text/x-fendra-program:fxt text/x-norbel-program:nbt; do
        grep -q ":${pair%:*}:\*\.${pair#*:}\$" "$db/globs2" || { echo "*.${pair#*:} is not ${pair%:*}"; exit 1; }
    done
fi

metainfo="$1/data/desktop/example.korvoterm.KorvoTerm.metainfo.xml"
grep -q '<launchable type="desktop-id">korvoterm.desktop</launchable>' "$metainfo" ||
    { echo "the metainfo does not name the desktop entry"; exit 1; }
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo"
fi
