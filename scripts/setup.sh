# Shared set-up for scripts/run and scripts/test: installs the Debian 12 packages the
# build needs when they are missing, configures and builds one tree, and checks that the
# package lists cover every CMake package the configure step loaded.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running the program needs. qt6-base-dev only recommends
# libqt6opengl6-dev, yet Qt's UiTools package loads Qt6OpenGL from it.
RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev qt6-qpa-plugins
  libjpeg62-turbo-dev libusb-1.0-0-dev
)
# What the tests, the sanitizer run, the fuzzing run and the install checks add.
TEST_PACKAGES=(
  clang-format libgtest-dev libbenchmark-dev
  umockdev libumockdev-dev libglib2.0-dev
  imagemagick libimage-exiftool-perl netpbm clang-14 libclang-rt-14-dev
  desktop-file-utils appstream
)

# install_missing PACKAGES...
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir=$1
  shift
  configure_tree "$dir" "$@"
  cmake --build "$dir" -j2
}

# configure_tree DIR [cmake options...]
configure_tree() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}

# check_package_closure DIR PACKAGES...: every CMake package configuration that configuring
# DIR loaded from the system must come from a listed package or from one that a listed
# package hard-depends on; otherwise names the package to add to the list and fails.
check_package_closure() {
  local dir=$1
  shift
  if ! apt-cache show "$1" >/dev/null 2>&1; then as_root apt-get update -qq; fi
  local closure
  closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances "$@" | grep -v '^[ <]' | sort -u)
  local configs=() config owner status=0
  local name config_dir lower
  while read -r name config_dir; do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$name")
    for config in "$config_dir/${name}Config.cmake" "$config_dir/$lower-config.cmake"; do
      if [ -f "$config" ]; then configs+=("$config"); fi
    done
  done < <(sed -n 's/^\([A-Za-z0-9_]*\)_DIR:PATH=\(\/usr\/.*\)$/\1 \2/p' "$dir/CMakeCache.txt" | sort -u)
  [ ${#configs[@]} -gt 0 ] || return 0
  local owners
  owners=$(dpkg-query -S "${configs[@]}" 2>/dev/null || true)
  for config in "${configs[@]}"; do
    owner=$(grep -F ": $config" <<<"$owners" | head -n 1 | cut -d: -f1)
    if [ -z "$owner" ]; then
      echo "package check: $config belongs to no Debian package" >&2
      status=1
    elif ! grep -qx "$owner" <<<"$closure"; then
      echo "package check: $config comes from $owner, which the package lists in" \
        "scripts/setup.sh do not bring in: add $owner" >&2
      status=1
    fi
  done
  return $status
}
