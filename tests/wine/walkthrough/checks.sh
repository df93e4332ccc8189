# Sourced by steps.sh: what the walkthrough compares, and how it reports.
# Needs: $dir (the program's folder), $driver, $artefacts; counts failures in $failed.

failed=0
check() {  # check WHAT EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2") <(echo "$3") | head -20; failed=$((failed + 1)); fi
}

# Like check, but runs COMMAND again (for up to 20 s) until it gives EXPECTED: the program
# writes and draws a moment after the click that asked for it.
expect() {  # expect WHAT EXPECTED COMMAND...
    local what=$1 want=$2 got i
    shift 2
    for ((i = 0; i < 40; i++)); do
        got=$("$@")
        [[ "$got" == "$want" ]] && break
        sleep 0.5
    done
    check "$what" "$want" "$got"
}

# The customers as mdb-export reads the file: id|wang|wang2|time1|time2|bs|yn|time3, dates
# only (the time of day is the moment of the click), line breaks as \r\n.
customers() { mdb-export -H -Q -e -d '|' -T '%Y-%m-%d' "$dir/yrkb_com.db" yrkb_com 2>&1; }

# Settings row N as mdb-export reads it.
setting() { mdb-export -H -Q -e -d '|' "$dir/yrkb_com.db" vantel_ww 2>&1 | awk -F'|' -v n="$1" '$1 == n { print $2 }'; }

# The main list as the driver reads it off the screen, one row a line (its cells after
# "row"), a note's line breaks as \n; "columns" gives the column titles. screen_cells has
# every column; screen_list those from the id to the note, which every list has shown.
screen_cells() {
    wine "$driver" dump 2>/dev/null | tr -d '\r' |
        awk '/^(title|columns|row)\t/ { if (n++) print line; line = $0; next }
             { line = line "\\n" $0 }
             END { if (n) print line }' |
        awk -v want="${1:-row}" -F'\t' '$1 == want' | cut -f2-
}
screen_list() { screen_cells "$@" | cut -f1-8; }

# A sheet's characters, GBK read as GB18030, every byte shown.
sheet() { iconv -f GB18030 -t UTF-8 "$1" 2>&1 | od -An -c | tr -s ' \n' ' '; }
as_sheet() { printf '%s' "$1" | od -An -c | tr -s ' \n' ' '; }

# How many pixels of two screenshots differ.
pixels_between() {
    compare -metric AE "$artefacts/$1.png" "$artefacts/$2.png" null: 2>&1 | cut -d' ' -f1
}
differ() {  # differ WHAT A B: the screenshots differ in at least 5000 pixels
    local n
    n=$(pixels_between "$2" "$3")
    if [[ ${n%.*} =~ ^[0-9]+$ ]] && ((${n%.*} >= 5000)); then echo "ok   $1 ($n pixels differ)"; else
        echo "FAIL $1: only $n pixels differ"; failed=$((failed + 1)); fi
}
alike() {  # alike WHAT A B: the screenshots differ in at most 300 pixels (a caret, a focus)
    local n
    n=$(pixels_between "$2" "$3")
    if [[ ${n%.*} =~ ^[0-9]+$ ]] && ((${n%.*} <= 300)); then echo "ok   $1 ($n pixels differ)"; else
        echo "FAIL $1: $n pixels differ"; failed=$((failed + 1)); fi
}

# How many pixels of a screenshot have exactly the colour #RRGGBB.
pixels_of() {
    convert "$artefacts/$1.png" -format %c histogram:info:- 2>/dev/null |
        awk -v c="#$2" 'index($0, c) { gsub(":", "", $1); n += $1 } END { print n + 0 }'
}
