# Sourced by the set-up commands: installs the Debian packages the build and
# the tests need, and only those that are missing.
dorvel_install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get install -y --no-install-recommends "${missing[@]}" ||
        { $sudo apt-get update && $sudo apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# What configuring and building the programs, tests and benchmarks needs.
DORVEL_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation
                       libgtest-dev libgmock-dev libbenchmark-dev libyaml-cpp-dev libpq-dev libsqlite3-dev)
# What only the test command needs besides: the fuzzing compiler and runtime,
# what checks the installed program and its .deb (desktop entry and
# AppStream validators, the package's dependencies, manual pages), and the
# text of the reports' PDFs (pdftotext), and the QEMU guest of the kernel
# tests (the emulator, a static busybox, cpio for its initramfs, python3
# for the host's side), and the PostgreSQL server the history tests start.
DORVEL_TEST_PACKAGES=(clang libclang-rt-14-dev desktop-file-utils appstream dpkg-dev file man-db groff-base
                      poppler-utils qemu-system-x86 busybox-static cpio python3 python3-jsonschema
                      postgresql-15)
# What the package command needs besides the build: the package's
# dependencies (dpkg-shlibdeps, which reads file's answers) and lintian.
DORVEL_PACKAGE_PACKAGES=(dpkg-dev file lintian)

# Both commands configure build/ alike, so that neither undoes the other.
dorvel_configure_build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVEL_TESTS=ON -DDORVEL_BENCH=ON \
          -DDORVEL_GUI=ON -DDORVEL_WERROR=ON >/dev/null
}
