#!/bin/bash
# The layers' include rules, checked on the source tree. Prints every breach and fails on any.
#   - The engines sit below the store's seam: engine/, jet_engine/ and odbc/ include nothing of
#     store/, and store/ names no engine (it opens them through drivers/).
#   - Above store/ nothing names an engine or reads LQ_STORE: the store resolves the shop.
set -u
root=${1:?source root}
cd "$root" || exit 2
breaches=0
breach() { echo "$1"; breaches=$((breaches + 1)); }

sources() { find "$@" -name '*.h' -o -name '*.cpp' 2>/dev/null; }

while IFS= read -r hit; do breach "an engine includes the store: $hit"
done < <(sources engine jet_engine odbc | xargs grep -Hn '#include "store/' || true)

while IFS= read -r hit; do breach "the store names an engine: $hit"
done < <(sources store | xargs grep -HnE '#include "(odbc|jet_engine)/' || true)

upper=(app dialogs forms services)
while IFS= read -r hit; do breach "above the store, an engine: $hit"
done < <(sources "${upper[@]}" | xargs grep -HnE '#include "(odbc|jet_engine|drivers)/' || true)

while IFS= read -r hit; do breach "above the store, the variable read: $hit"
done < <(sources "${upper[@]}" | xargs grep -HnE 'store_override|kStoreVariable|getenv\("LQ_STORE' || true)

# A check that looks at nothing passes for the wrong reason.
for dir in engine jet_engine odbc drivers store "${upper[@]}"; do
    [ -n "$(sources "$dir")" ] || breach "no sources in $dir/"
done

if [ "$breaches" -gt 0 ]; then
    echo "$breaches breach(es) of the layers"
    exit 1
fi
echo "layers hold"
