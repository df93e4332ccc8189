# Sourced by the benchmarks under Wine, with the number of customers as its argument: a
# prefix of the calling script's own, and $work, a scratch folder holding a shop of that many
# customers (every fifth closed) with the program and its test driver beside it. $work and
# every Wine process go at the end.
source scripts/wine_prefix.sh
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-$(basename "$0" .sh)}
prepare_wine_prefix
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
build/native/bench/make_customer_db "$work/yrkb_com.db" "$1"
cp build/mingw64/lanqiao.exe build/mingw64/lanqiao_driver.exe "$work/"
