#!/usr/bin/env bash
# Fails when a file of src/ includes a header of a layer above its own, or of
# a layer beside it: each folder builds on the folders below it only.
#   platform < config < reports, devices, mes, mplib < serial < stations
#     < engine < results < ui < app
# Prints every offending include as file:line: the include.
# Usage: check_layers.sh [source folder]   (default: the project's src/)
set -euo pipefail
cd "${1:-$(dirname "$0")/../src}"
declare -A rank=([platform]=0 [config]=1 [reports]=2 [devices]=2 [mes]=2 [mplib]=2 [serial]=3 [stations]=4
    [engine]=5 [results]=6 [ui]=7 [app]=8)
status=0
for folder in */; do
    folder=${folder%/}
    mine=${rank[$folder]:-}
    if [ -z "$mine" ]; then
        echo "layers: src/$folder is no known layer" >&2
        status=1
        continue
    fi
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        line=${rest%%:*}
        include=${rest#*:}
        [[ $include =~ \#include\ \"(([a-z_]+)/[^\"]+)\" ]] || continue
        target=${BASH_REMATCH[2]}
        theirs=${rank[$target]:-}
        [ -z "$theirs" ] && continue # a generated or outside header
        if [ "$target" != "$folder" ] && [ "$theirs" -ge "$mine" ]; then
            echo "src/$file:$line: $folder includes $target: ${include#"${include%%[![:space:]]*}"}" >&2
            status=1
        fi
    done < <(grep -rnE '^#include "[a-z_]+/' "$folder" || true)
done
if ((status == 0)); then
    echo "layers: every include runs downward"
fi
exit $status
