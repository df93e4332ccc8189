# Helpers shared by the scripts in this folder; source it, do not run it.

# The Jet 4 files made by the real engine. Tests keep their own copy in
# tests/jet/fixtures; before that exists, use the shared set beside the repo.
fixture_dir() {
  if [[ -d tests/jet/fixtures ]] && compgen -G 'tests/jet/fixtures/*.mdb' >/dev/null; then
    echo tests/jet/fixtures
  elif [[ -d ../shared/fixtures/jet4 ]]; then
    echo ../shared/fixtures/jet4
  else
    echo "no Jet 4 fixtures: neither tests/jet/fixtures nor ../shared/fixtures/jet4" >&2
    return 1
  fi
}
