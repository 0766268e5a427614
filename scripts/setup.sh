# Shared by scripts/run and scripts/test: installs what is missing and builds.
# Sourced, not run.

MARROWBY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MARROWBY_BUILD="$MARROWBY_ROOT/build/default"

marrowby_packages=(g++ cmake ninja-build pkg-config qt6-base-dev libsqlite3-dev libgtest-dev
                   xvfb xauth openbox fonts-dejavu-core)

marrowby_install() {
  local missing=()
  for p in "${marrowby_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# marrowby_build DIR [cmake options...]
marrowby_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -G Ninja -S "$MARROWBY_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  fi
  cmake --build "$dir" --parallel
}
