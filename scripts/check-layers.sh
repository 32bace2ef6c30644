#!/bin/sh
# Keeps the layers of src/ pointing one way: a file may include headers of its own folder and of the folders
# below it in LAYERS (bottom first), never of one above. Also fails when one folder holds more than 15 % of
# the lines of src/, a sign that it has taken on a second job. Prints each offending include.
set -e
cd "$(dirname "$0")/../src"
LAYERS="app settings engine link ui functionkeys terminal editor transfer upgrade can spi tools preferences shell"

status=0
for dir in */; do
    dir=${dir%/}
    case " $LAYERS " in
    *" $dir "*) ;;
    *) echo "src/$dir: not in the layer order of scripts/check-layers.sh"; status=1 ;;
    esac
done

# One awk pass over every file: rank each folder, then compare each include with its file's folder.
find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort | xargs awk -v layers="$LAYERS" '
BEGIN { n = split(layers, order, " "); for (i = 1; i <= n; i++) rank[order[i]] = i }
FNR == 1 { split(FILENAME, part, "/"); own = part[1] }
/^#include "[a-z]+\// {
    target = $2; gsub(/"/, "", target); split(target, tpart, "/")
    if ((tpart[1] in rank) && rank[tpart[1]] > rank[own]) {
        printf "%s:%d: includes %s from a layer above %s/\n", FILENAME, FNR, target, own
        bad = 1
    }
}
END { exit bad }' || status=1

total=$(cat */*.h */*.cpp | wc -l)
for dir in */; do
    lines=$(cat "$dir"*.h "$dir"*.cpp 2>/dev/null | wc -l)
    if [ $((lines * 100)) -gt $((total * 15)) ]; then
        echo "src/${dir%/}: $lines of $total lines, over 15 %"
        status=1
    fi
done
exit $status
