#!/usr/bin/env bash
# Fails when a source folder includes a header that the layer table in docs/architecture.md does
# not allow it. A folder may include its own headers, those of the folders its row links
# (and what they link, in turn), and the outside libraries named in those rows.
set -euo pipefail
cd "$(dirname "$0")/.."
table=docs/architecture.md

declare -A links=()
while IFS='|' read -r _ folder _ linked _; do
    folder=$(echo "$folder" | tr -d '` ' | sed 's:/$::')
    links[$folder]=$(echo "$linked" | tr ',' '\n' | sed 's/^ *//;s/ *$//' | tr '\n' ',')
done < <(sed -n '/^## Layers/,/^## /p' "$table" | grep -E '^\| `[a-z/0-9]+/` \|')

# The folders and libraries a folder may reach, following the rows downward.
reach() {
    local -A seen=()
    local todo=("$1") item
    while ((${#todo[@]})); do
        item=${todo[0]}
        todo=("${todo[@]:1}")
        [[ -n ${seen[$item]:-} ]] && continue
        seen[$item]=1
        if [[ $item == everything ]]; then
            for folder in "${!links[@]}"; do todo+=("$folder"); done
            continue
        fi
        if [[ -z ${links[$item]+set} ]]; then
            # A row may name a folder by its last part: "sim" for backends/sim.
            for folder in "${!links[@]}"; do
                [[ ${folder##*/} == "$item" ]] && todo+=("$folder")
            done
        fi
        IFS=',' read -ra next <<<"${links[$item]:-}"
        for n in "${next[@]}"; do [[ -n $n ]] && todo+=("$n"); done
    done
    echo "${!seen[@]}"
}

# Headers of outside libraries, by the name their row gives the library.
library_of() {
    case $1 in
        nlohmann/*) echo nlohmann/json ;;
        xcb/*) echo XCB ;;
        Q*) echo Qt ;;
        *) echo ;;
    esac
}

status=0
checked=0
for folder in "${!links[@]}"; do
    [[ -d src/$folder ]] || continue
    read -ra allowed <<<"$(reach "$folder")"
    allowed_text=" ${allowed[*]} "
    while IFS= read -r hit; do
        file=${hit%%:*}
        header=$(echo "$hit" | sed -E 's/.*#include [<"]([^>"]+)[>"].*/\1/')
        if [[ $hit == *'#include "'* ]]; then
            # The longest layer folder the header's path starts with.
            owner=""
            for candidate in "${!links[@]}"; do
                if [[ $header == "$candidate"/* && ${#candidate} -gt ${#owner} ]]; then
                    owner=$candidate
                fi
            done
            if [[ -z $owner ]]; then
                echo "$file: \"$header\" is in no layer folder (write it from the src root)"
                status=1
            elif [[ $allowed_text != *" $owner "* ]]; then
                echo "$file: $folder may not include \"$header\" ($owner is not below it)"
                status=1
            fi
        else
            library=$(library_of "$header")
            if [[ -n $library && $allowed_text != *" $library "* ]]; then
                echo "$file: $folder may not include <$header> ($library is not linked there)"
                status=1
            fi
        fi
        checked=$((checked + 1))
    done < <(grep -HE '^\s*#\s*include' $(find "src/$folder" -maxdepth 1 -name '*.[ch]pp') /dev/null || true)
done
# Every folder holding sources needs a row, or its includes would go unchecked.
for dir in $(find src -name '*.cpp' -o -name '*.hpp' | xargs -n1 dirname | sort -u); do
    folder=${dir#src/}
    if [[ -z ${links[$folder]+set} ]]; then
        echo "$dir: no row in the layer table of $table"
        status=1
    fi
done
((status == 0)) && echo "layers: $checked includes in ${#links[@]} folders follow $table"
exit $status
