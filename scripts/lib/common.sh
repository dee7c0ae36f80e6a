# Shared by the scripts: where things are, and the build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir="${CNS_BUILD_DIR:-$root/build}"

cns_configure_and_build() {
  local werror="${1:-OFF}"
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCNS_WERROR="$werror" >/dev/null
  cmake --build "$build_dir" -j2
}
