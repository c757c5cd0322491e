# Shared by the scripts: where the sources and build folders are, and the configure-and-build step.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_BASEDIR=$root

# build_tree <folder> <build type> [cmake options]: configure when needed, then build with both cores.
build_tree() {
  local dir=$1 type=$2
  shift 2
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$dir" -j2
}

# The suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets: one clang build.
build_sanitized() {
  build_tree "$root/build-asan" Debug -DCMAKE_CXX_COMPILER=clang++ -DTEVLAR_FUZZ=ON
}
