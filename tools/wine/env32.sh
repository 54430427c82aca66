# Sourced by the Wine scripts for the 32-bit build: what env.sh is for the 64-bit
# one, with the same settings and functions. This kernel runs no 32-bit code, so
# qemu-i386 (user mode, registered with binfmt_misc for i386 programs) runs Debian's
# i386 Wine from a root of its own; the host's wineserver64 serves those processes, which
# is why the i386 Wine must be exactly the installed wine64's version. The first use
# fetches both into a cache folder ($ZENTHO_W32_CACHE, /var/cache/zentho-w32); later
# uses find them there. Needs root (binfmt_misc) and the Debian archive for that first use.
#   wine_prefix_start   make and start a new 32-bit prefix (sets WINEPREFIX)
#   wine_run ARGS...    run a Windows program in it
#   wine_restart        end the Wine session; the next program starts a new one
#   wine_prefix_stop    stop Wine, remove the prefix and the binfmt entry (done on exit)
#   w32_prepare         fetch and lay out the cache only
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"

W32_CACHE=${ZENTHO_W32_CACHE:-/var/cache/zentho-w32}
W32_ROOT=$W32_CACHE/root
W32_QEMU=$W32_CACHE/qemu-i386
W32_BINFMT=zentho-i386
# qemu-user 7.2 of Debian 12 runs these programs too, but a minute of CPU per process;
# 10.0 comes from backports, which move on: this is the version the tests ran with.
W32_QEMU_VERSION=${ZENTHO_W32_QEMU_VERSION:-1:10.0.2+ds-2+deb13u1~bpo12+1}
W32_SERVER=/usr/lib/wine/wineserver64
WINE=$W32_ROOT/usr/lib/wine/wine
export ZENTHO_WINE=$WINE  # for scripts that start Wine themselves (tests/tool/tool_test.sh)
export QEMU_LD_PREFIX=$W32_ROOT
export WINEARCH=win32

w32_fail() {
  echo "wine32-env: $*" >&2
  exit 1
}

w32_wine_version() { dpkg-query -W -f='${Version}' wine64 2>/dev/null; }

# The Debian archive this machine installs from, with the backports suite beside it.
w32_sources() {
  local suite uri
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  uri=$(apt-cache policy 2>/dev/null | awk -v dist="$suite/main" '$3 == dist && $2 ~ /^https?:/ { print $2; exit }')
  cat <<EOF
Types: deb
URIs: ${uri:-http://deb.debian.org/debian}
Suites: $suite $suite-updates $suite-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# The packages the cache is made from: Wine's own libraries, and FreeType, whose
# absence every process would announce on standard error. FreeType never comes
# without fontconfig: without it every process fails at desktop creation, and
# explorer.exe is started again without end.
w32_packages() {
  local wine_version
  wine_version=$(w32_wine_version)
  echo "wine32:i386=$wine_version libwine:i386=$wine_version libc6:i386 libgcc-s1:i386" \
       "libfreetype6:i386 libfontconfig1:i386 libpng16-16:i386 libbrotli1:i386 zlib1g:i386" \
       "libexpat1:i386 libz-mingw-w64 qemu-user:amd64=$W32_QEMU_VERSION"
}

# Downloads the packages into $1 through an apt state of our own: the machine's apt
# sources, architectures and installed packages stay as they are.
w32_fetch() {
  local debs=$1 apt=$W32_CACHE/apt packages qemu_version
  mkdir -p "$apt/state/lists/partial" "$apt/cache/archives/partial" "$apt/etc/apt.conf.d" \
           "$apt/etc/preferences.d" "$debs"
  : > "$apt/state/status"
  w32_sources > "$apt/etc/debian.sources"
  cat > "$apt/apt.conf" <<EOF
Dir::State "$apt/state"; Dir::State::status "$apt/state/status"; Dir::Cache "$apt/cache";
Dir::Etc::SourceList "/dev/null"; Dir::Etc::SourceParts "$apt/etc"; Dir::Etc::Parts "$apt/etc/apt.conf.d";
Dir::Etc::Preferences "/dev/null"; Dir::Etc::PreferencesParts "$apt/etc/preferences.d";
APT::Architecture "amd64"; APT::Architectures { "amd64"; "i386"; }; APT::Sandbox::User "root";
EOF
  export APT_CONFIG=$apt/apt.conf
  apt-get -q update >/dev/null || w32_fail "apt-get update failed for $(grep URIs "$apt/etc/debian.sources")"
  packages=$(w32_packages)
  if ! apt-cache madison qemu-user | grep -qF "| $W32_QEMU_VERSION |"; then
    qemu_version=$(apt-cache madison qemu-user | awk -F' *[|] *' '/-backports/ { print $2; exit }')
    [ -n "$qemu_version" ] || w32_fail "no qemu-user in backports"
    echo "wine32-env: qemu-user $W32_QEMU_VERSION is gone from backports; taking $qemu_version" >&2
    packages=${packages/qemu-user:amd64=$W32_QEMU_VERSION/qemu-user:amd64=$qemu_version}
  fi
  rm -f "$debs"/*.deb "$debs/packages"
  # shellcheck disable=SC2086
  (cd "$debs" && apt-get -q download $packages >/dev/null) || w32_fail "could not download: $packages"
  unset APT_CONFIG
  rm -rf "$apt"  # the package lists: a quarter of a gigabyte, fetched again when needed
  w32_packages > "$debs/packages"
}

# Lays out the root that qemu-i386 takes its files from, and qemu-i386 itself.
w32_build_root() {
  local debs=$1 new=$W32_CACHE/root.new unpacked dll
  rm -rf "$new"
  mkdir -p "$new"
  for deb in "$debs"/*_i386.deb; do dpkg -x "$deb" "$new"; done
  unpacked=$(mktemp -d)
  dpkg -x "$debs"/qemu-user_*_amd64.deb "$unpacked"
  cp "$unpacked/usr/bin/qemu-i386" "$W32_QEMU.new"
  # What libwine's installer does and dpkg -x does not: zlib1.dll as a Wine builtin.
  dpkg -x "$debs"/libz-mingw-w64_*_all.deb "$unpacked"
  dll=$unpacked/usr/i686-w64-mingw32/lib/zlib1.dll
  { head -c 64 "$dll"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$dll"; } \
    > "$new/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
  rm -rf "$unpacked"
  # A loader cache of its own, or the guest's ld.so reads the host's and may load
  # the host's 32-bit libraries.
  echo 'include /etc/ld.so.conf.d/*.conf' > "$new/etc/ld.so.conf"
  ldconfig -r "$new"
  # Wine takes its fonts from its own folder; fontconfig gets none to scan, and so
  # writes no 32-bit caches into the host's /var/cache/fontconfig.
  mkdir -p "$new/etc/fonts"
  echo '<?xml version="1.0"?><fontconfig><cachedir>/var/cache/fontconfig-i386</cachedir></fontconfig>' \
    > "$new/etc/fonts/fonts.conf"
  # qemu maps the guest's /etc/ld.so.preload into the root: the host never sees it.
  gcc -m32 -O2 -fPIC -fno-stack-protector -shared -nostdlib -o "$new/usr/lib/zentho-trapno.so" \
      "$(dirname "${BASH_SOURCE[0]}")/trapno32.c"
  echo /usr/lib/zentho-trapno.so > "$new/etc/ld.so.preload"
  rm -rf "$W32_ROOT"
  mv "$new" "$W32_ROOT"
  mv "$W32_QEMU.new" "$W32_QEMU"
}

# What the cache is made from: when any of it changes, the cache is made again.
w32_recipe() {
  w32_packages
  sha256sum < "$(dirname "${BASH_SOURCE[0]}")/trapno32.c"
  declare -f w32_build_root | sha256sum
}

w32_prepare() {
  [ -n "$(w32_wine_version)" ] || w32_fail "wine64 is not installed (scripts/install-deps.sh all)"
  if [ -f "$W32_CACHE/ready" ] && [ "$(cat "$W32_CACHE/ready")" = "$(w32_recipe)" ]; then return; fi
  [ -w "$(dirname "$W32_CACHE")" ] || [ -w "$W32_CACHE" ] || w32_fail "cannot write $W32_CACHE (run as root, or set ZENTHO_W32_CACHE)"
  echo "wine32-env: laying out the i386 Wine and qemu-i386 in $W32_CACHE" >&2
  mkdir -p "$W32_CACHE"
  rm -f "$W32_CACHE/ready"
  local debs=$W32_CACHE/debs
  # The packages stay in the cache: backports move on, and the root can be made again.
  [ "$(cat "$debs/packages" 2>/dev/null)" = "$(w32_packages)" ] || w32_fetch "$debs"
  w32_build_root "$debs"
  w32_recipe > "$W32_CACHE/ready"
}

# The binfmt entry is the kernel's, for every process on the machine. Each run (the
# outermost script) registers one of its own, zentho-i386-PID, and removes it at its
# end, so that runs side by side never take each other's away; the scripts a run
# starts find it (ZENTHO_W32_BINFMT_HELD) and leave it. Entries of runs that were
# killed are removed by the next run.
w32_binfmt_on() {
  local misc=/proc/sys/fs/binfmt_misc entry
  if [ -n "${ZENTHO_W32_BINFMT_HELD:-}" ] && [ -e "$misc/$ZENTHO_W32_BINFMT_HELD" ]; then return; fi
  [ "$(id -u)" = 0 ] || w32_fail "registering qemu-i386 with binfmt_misc needs root"
  if [ ! -e "$misc/register" ]; then
    mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null \
      || w32_fail "binfmt_misc cannot be mounted on $misc: this kernel or container does not allow running 32-bit programs through qemu-i386"
  fi
  for entry in "$misc/$W32_BINFMT"-*; do
    [ -e "$entry" ] && ! kill -0 "${entry##*-}" 2>/dev/null && echo -1 > "$entry"
  done
  # i386 ELF executables and shared objects; F opens qemu-i386 now, so that it runs
  # in any mount namespace; P keeps argv[0], which Wine's loader relies on.
  printf '%s\n' ":$W32_BINFMT-$$:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$W32_QEMU:FP" \
    > "$misc/register" 2>/dev/null || w32_fail "binfmt_misc refused the qemu-i386 entry"
  export ZENTHO_W32_BINFMT_HELD=$W32_BINFMT-$$
  W32_BINFMT_OWNER=$$
  "$WINE" --version >/dev/null 2>&1 || w32_fail "the i386 Wine does not start under qemu-i386 ($WINE)"
}

w32_binfmt_off() {
  if [ "${W32_BINFMT_OWNER:-}" = $$ ] && [ -e "/proc/sys/fs/binfmt_misc/$W32_BINFMT-$$" ]; then
    echo -1 > "/proc/sys/fs/binfmt_misc/$W32_BINFMT-$$"
    unset ZENTHO_W32_BINFMT_HELD W32_BINFMT_OWNER
  fi
}

# A new prefix as wineboot makes it, with the settings the tests rely on. Under
# emulation this is most of a short script's cost (wineboot -i alone takes about 17 s),
# so the outermost script keeps its prefix as made, and the prefixes of the scripts it
# starts begin as copies of it (ZENTHO_W32_TEMPLATE): as fresh, at a tenth of the cost.
w32_make_prefix() {
  if [ -n "${ZENTHO_W32_TEMPLATE:-}" ] && [ -d "$ZENTHO_W32_TEMPLATE" ]; then
    cp -a "$ZENTHO_W32_TEMPLATE/." "$WINEPREFIX/"
    return
  fi
  "$W32_SERVER" -p
  # Services started now keep their standard handles: none may be a pipe of ours.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine' /v Version /d win2k /f </dev/null >/dev/null 2>&1
  # Wine's debugger cannot look into a process that qemu runs, and waits for ever: with
  # no debugger to start, a program that crashes ends, and its test fails at once.
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d none /f \
    </dev/null >/dev/null 2>&1
  # The desktop that wineboot started has no driver: this session ends here.
  w32_session_end
  if [ "${W32_BINFMT_OWNER:-}" = $$ ]; then
    W32_TEMPLATE=$(mktemp -d /tmp/zentho-wine32-template-XXXXXX)
    cp -a "$WINEPREFIX/." "$W32_TEMPLATE/"
    export ZENTHO_W32_TEMPLATE=$W32_TEMPLATE
  fi
}

# Each emulated process costs seconds to start: the server and Wine's own services
# stay up for the whole session instead of ending with each program.
w32_session_start() {
  "$W32_SERVER" -p
  "$WINE" wineboot </dev/null >/dev/null 2>&1
}

w32_session_end() {
  "$W32_SERVER" -k >/dev/null 2>&1 || true
  "$W32_SERVER" -w
}

wine_prefix_start() {
  w32_prepare
  w32_binfmt_on
  WINEPREFIX=$(mktemp -d /tmp/zentho-wine32-XXXXXX)
  export WINEPREFIX
  trap wine_prefix_stop EXIT
  w32_make_prefix
  w32_session_start
}

wine_run() {
  "$WINE" "$@"
}

# The desktop and the services go with the old session; the new one starts them again
# with the settings now in the registry.
wine_restart() {
  w32_session_end
  w32_session_start
}

wine_prefix_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$W32_SERVER" -k >/dev/null 2>&1 || true
    "$W32_SERVER" -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  if [ -n "${W32_TEMPLATE:-}" ]; then
    rm -rf "$W32_TEMPLATE"
    unset W32_TEMPLATE ZENTHO_W32_TEMPLATE
  fi
  w32_binfmt_off
}
