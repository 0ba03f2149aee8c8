# Shared by ./run and ./test: install what is missing, then build.
# Sourced, not run; expects to be in the repository's top folder.

PB_PACKAGES=(
  cmake make g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-nanum fonts-liberation2 fonts-dejavu-core fontconfig
  locales gettext
  xvfb xauth
  socat
  python3-ezdxf
  libreoffice-calc libreoffice-dev
  libproj-dev proj-data libeigen3-dev libgdal-dev
)

pb_log() { printf '%s\n' "$*" >&2; }

pb_install_packages() {
  local missing=()
  local p
  for p in "${PB_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { pb_log "Need root or sudo to install: ${missing[*]}"; return 1; }
    sudo="sudo"
  fi
  pb_log "Installing: ${missing[*]}"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# The number tests also run under a German locale (decimal comma); the program runs in
# Korean under ko_KR.UTF-8 (it also does without that locale, through LANGUAGE).
PB_LOCALES=(de_DE.UTF-8 ko_KR.UTF-8)

# pb_ensure_locale [LOCALE...]: generates those (default: all of PB_LOCALES) that are missing.
pb_ensure_locale() {
  local missing=() l
  for l in "${@:-${PB_LOCALES[@]}}"; do
    locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf-\?8" || missing+=("$l")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  for l in "${missing[@]}"; do
    if [ -f /etc/locale.gen ] && grep -q "^# *$l UTF-8" /etc/locale.gen; then
      $sudo sed -i "s/^# *$l UTF-8/$l UTF-8/" /etc/locale.gen
    elif ! grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    fi
  done
  $sudo locale-gen >/dev/null
}

# pb_configure DIR [cmake options...]: configure once; later builds are incremental.
pb_configure() {
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] && return 0
  # A compiler cache, where the machine has one, makes fresh build folders cheap.
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
}

# pb_build DIR [TARGET]: build quietly; on failure show the compiler's output.
pb_build() {
  local dir=$1 log
  log=$(mktemp)
  if ! cmake --build "$dir" -j"$(nproc)" ${2:+--target "$2"} >"$log" 2>&1; then
    grep -E 'error|Error' "$log" | head -50 >&2 || true
    tail -20 "$log" >&2
    rm -f "$log"
    return 1
  fi
  grep -E 'warning:' "$log" >&2 || true
  rm -f "$log"
}
