# Sourced by the Wine tests of the program, with the artefact folder as its argument: makes
# the Wine prefix ready, gives a scratch folder $work that goes at the end together with every
# Wine process (and the status stand-in, when $server_pid names one), and check().
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/wine_prefix.sh"
# A prefix of each test script's own: tests may run at once, and each ends its own wineserver.
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-$(basename "$0" .sh)}
prepare_wine_prefix
mkdir -p "$1"
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; [[ -n ${server_pid:-} ]] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
failed=0
check() {  # check WHAT EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2") <(echo "$3") | head -20; failed=$((failed + 1)); fi
}
