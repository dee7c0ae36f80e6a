# Shared by the scripts: where things are, and the build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir="${CNS_BUILD_DIR:-$root/build}"

# Both set-up commands build the same tree with the same options, so that one reuses the other's
# build; warnings are errors (the project builds clean with the toolchain install-deps brings).
cns_configure_and_build() {
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCNS_WERROR=ON >/dev/null
  cmake --build "$build_dir" -j2
}

# The libFuzzer target of the import readers: a clang build of its own beside the main build (whose
# host core it links), run for a bounded time over the import fixtures. Fails on a crash or a
# sanitizer finding.
cns_fuzz() {
  local seconds="$1" fuzz_dir="${CNS_FUZZ_BUILD_DIR:-$root/build-fuzz}" corpus
  cmake -S "$root/fuzz" -B "$fuzz_dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCNS_MAIN_BUILD="$build_dir" >/dev/null
  cmake --build "$fuzz_dir"
  corpus=$(mktemp -d)
  echo "fuzz: import readers for ${seconds}s"
  if ! "$fuzz_dir/fuzz_import_reader" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
      "$corpus" "$root/tests/data/import" >"$corpus.log" 2>&1; then
    tail -n 60 "$corpus.log" >&2
    rm -rf "$corpus" "$corpus.log"
    return 1
  fi
  grep -E "^Done|stat::number_of_executed_units" "$corpus.log" || true
  rm -rf "$corpus" "$corpus.log"
}
