# Debian packages the project needs. Sourced by scripts/run and scripts/test.

RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libgl-dev libcurl4-openssl-dev libre2-dev libxlsxwriter-dev
  libsqlite3-dev libgumbo-dev
  qt6-charts-dev qt6-svg-dev
)

TEST_PACKAGES=(
  "${RUN_PACKAGES[@]}"
  xvfb xauth libbenchmark-dev
  libreoffice-calc-nogui
  clang libclang-rt-14-dev
  desktop-file-utils appstream python3
  nodejs
  dbus-daemon
)

# Installs whatever of the given packages is missing. As root it runs apt-get;
# otherwise it prints the exact command to run and fails, so nothing half-builds.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Please run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
