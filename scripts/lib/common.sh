# Shared by the scripts: where things are, and the build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir="${CNS_BUILD_DIR:-$root/build}"

# Both set-up commands build the same tree with the same options, so that one reuses the other's
# build; warnings are errors (the project builds clean with the toolchain install-deps brings).
cns_configure_and_build() {
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCNS_WERROR=ON >/dev/null
  cmake --build "$build_dir" -j2
}
