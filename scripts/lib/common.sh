# Shared by the scripts: where things are, and the build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir="${CNS_BUILD_DIR:-$root/build}"

# Both set-up commands build the same tree with the same options, so that one reuses the other's
# build; warnings are errors (the project builds clean with the toolchain install-deps brings).
cns_configure_and_build() {
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCNS_WERROR=ON >/dev/null
  cmake --build "$build_dir" -j2
}

# The libFuzzer targets: a clang build of their own beside the main build (whose host core they link),
# each run for a bounded time over its fixtures: the import readers over the import files, the
# server's request reader over the wire requests. Fails on a crash or a sanitizer finding.
cns_fuzz() {
  local seconds="$1" fuzz_dir="${CNS_FUZZ_BUILD_DIR:-$root/build-fuzz}"
  cmake -S "$root/fuzz" -B "$fuzz_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCNS_MAIN_BUILD="$build_dir" >/dev/null
  cmake --build "$fuzz_dir"
  cns_fuzz_run "import readers" "$fuzz_dir/fuzz_import_reader" "$seconds" "$root/tests/data/import" || return 1
  cns_fuzz_run "request reader" "$fuzz_dir/fuzz_request_reader" "$seconds" "$root/tests/data/wire" \
    -dict="$root/fuzz/json.dict" || return 1
}

# cns_fuzz_run WHAT TARGET SECONDS SEEDS [libFuzzer options...]: one target from its seeds, in a
# corpus of its own that is thrown away after.
cns_fuzz_run() {
  local what="$1" target="$2" seconds="$3" seeds="$4" corpus
  shift 4
  corpus=$(mktemp -d)
  echo "fuzz: $what for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$@" \
      "$corpus" "$seeds" >"$corpus.log" 2>&1; then
    tail -n 60 "$corpus.log" >&2
    rm -rf "$corpus" "$corpus.log"
    return 1
  fi
  grep -E "^Done|stat::number_of_executed_units" "$corpus.log" || true
  rm -rf "$corpus" "$corpus.log"
}
