# Debian packages the project needs, and a function that installs the
# missing ones. Sourced by scripts/run and scripts/test.

# To build and run the program. A print and its cut are two documents of
# one job: a raw queue joins them with cups-core-drivers' gziptoany.
ORVANE_RUN_PACKAGES=(build-essential cmake pkg-config qtbase5-dev qtbase5-dev-tools libcups2-dev libzint-dev
                     cups-daemon cups-client cups-core-drivers xvfb xdotool x11-utils imagemagick poppler-utils
                     fonts-dejavu-core xauth zint)
# To build the Windows program (scripts/build-windows).
ORVANE_WINDOWS_PACKAGES=(cmake xz-utils g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix nsis wine)
# And to run every test: the Qt 6 build, the Windows program under wine, the
# installed desktop entry, the Debian package (cpack's dpkg-shlibdeps needs
# dpkg-dev and file) and its lintian check, and the symbols read back from
# the paper and the pages (zbar-tools; ghostscript draws wine's PostScript).
ORVANE_TEST_PACKAGES=("${ORVANE_RUN_PACKAGES[@]}" "${ORVANE_WINDOWS_PACKAGES[@]}" qt6-base-dev
                      qt6-qpa-plugins desktop-file-utils python3-xlib dpkg-dev file lintian zbar-tools ghostscript)
# And to run scripts/bench.
ORVANE_BENCH_PACKAGES=("${ORVANE_RUN_PACKAGES[@]}" libbenchmark-dev time)

orvane_install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Instalando: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}
