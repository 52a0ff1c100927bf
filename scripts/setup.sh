# Shared set-up for scripts/test and scripts/run: installs the Debian 12 packages
# the build needs when they are missing, then configures and builds one tree.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PACKAGES=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-tools-dev libqt6uitools6 qt6-qpa-plugins
  libjpeg62-turbo-dev libusb-1.0-0-dev umockdev libumockdev-dev libglib2.0-dev
  libgtest-dev libbenchmark-dev
  imagemagick libimage-exiftool-perl netpbm clang-14 libclang-rt-14-dev
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j2
}
