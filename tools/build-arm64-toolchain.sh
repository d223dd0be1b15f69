#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Builds the aarch64-w64-mingw32 toolchain that cmake/aarch64-mingw-toolchain.cmake uses, from
# Debian's own packages and sources, and keeps it in a cache folder outside the repository:
#   clang-19, lld-19 and llvm-19 (Debian's packages) compile, link and archive;
#   mingw-w64's headers and CRT (the source package mingw-w64), for UCRT, the C runtime of
#   Windows on ARM64, which has no msvcrt.dll;
#   compiler-rt's builtins and a static libc++, libc++abi and libunwind (the source package
#   llvm-toolchain-19, of the same version as clang-19).
# Wrappers in bin/ (aarch64-w64-mingw32-clang, -clang++, -ar, -windres...) call Debian's tools
# with the target, the sysroot and the runtimes. Debian has no aarch64 mingw-w64 package.
# A toolchain already built from the same versions (and by this script as it is) is reused.
# Usage: build-arm64-toolchain.sh
#   Prints the toolchain's folder on its last line. QUILLSIFT_ARM64_TOOLCHAIN names it (default
#   ${XDG_CACHE_HOME:-~/.cache}/quillsift/aarch64-w64-mingw32); installs what it needs with
#   apt-get (as root, or with sudo), and adds Debian's deb-src entry when apt has none.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
triple=aarch64-w64-mingw32
prefix=${QUILLSIFT_ARM64_TOOLCHAIN:-${XDG_CACHE_HOME:-$HOME/.cache}/quillsift/$triple}
SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

bash "$repo/.ci/install-deps" --arm64 >&2
llvm=/usr/lib/llvm-19
llvm_version=$(dpkg-query -W -f='${Version}' clang-19)
mingw_version=$(apt-cache policy mingw-w64-common | sed -n 's/^ *Candidate: //p')
if [[ -z $mingw_version || $mingw_version == "(none)" ]]; then
    echo "$0: apt knows no mingw-w64 version (apt-get update?)" >&2
    exit 1
fi
# What the toolchain is made of: a new version of either source, or a change of this script,
# makes it again.
recipe="llvm-toolchain-19 $llvm_version, mingw-w64 $mingw_version, $(basename "$0") $(sha256sum "$0" | cut -c1-16)"

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [[ -f $prefix/RECIPE && $(cat "$prefix/RECIPE") == "$recipe" ]]; then
    echo "aarch64-w64-mingw32 toolchain reused ($recipe)" >&2
    echo "$prefix"
    exit 0
fi
echo "Building the aarch64-w64-mingw32 toolchain: $recipe" >&2
started=$SECONDS
rm -rf "$prefix"
work=$(mktemp -d "${TMPDIR:-/tmp}/arm64-toolchain.XXXXXX")
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
sysroot=$prefix/$triple
resource=$prefix/lib/clang/19
mkdir -p "$prefix/bin" "$sysroot" "$resource/lib/windows"
# A log per step, shown when the step fails.
step() { # name, command...
    local name=$1 began=$SECONDS
    shift
    if ! "$@" >"$work/$name.log" 2>&1; then
        tail -40 "$work/$name.log" >&2
        echo "$0: $name failed" >&2
        exit 1
    fi
    echo "  $name: $((SECONDS - began)) s" >&2
}

# The wrappers. The runtimes are built with the compilers before the runtimes exist: nothing is
# linked until they are in. Every build of the system defines __USE_MINGW_ANSI_STDIO in its
# toolchain file, not here.
# Thread-local variables, the runtimes' and the system's, are emulated (TlsGetValue) rather than
# read through x18, the register that holds the thread's TEB on Windows: Debian's arm64 Wine,
# which tests what the toolchain makes, runs its built-in DLLs as Linux code, some of which
# (kernelbase, windowscodecs) uses x18 as a scratch register, and a native TLS access after
# such a call faults.
for compiler in clang clang++; do
    cat >"$prefix/bin/$triple-$compiler" <<EOF
#!/bin/sh
# $compiler-19 for $triple, with this toolchain's sysroot and runtimes.
dir=\$(cd "\$(dirname "\$0")/.." && pwd)
exec $compiler-19 --target=$triple --sysroot="\$dir" -resource-dir="\$dir/lib/clang/19" \\
    -femulated-tls --start-no-unused-arguments -rtlib=compiler-rt -unwindlib=libunwind \\
    -stdlib=libc++ -fuse-ld=lld --end-no-unused-arguments "\$@"
EOF
    chmod +x "$prefix/bin/$triple-$compiler"
done
# LLVM's tools take their part and their target from the name they are called by.
for tool in ar ranlib nm objcopy objdump strip dlltool; do
    ln -s "$llvm/bin/llvm-$tool" "$prefix/bin/$triple-$tool"
done
# llvm-windres, preprocessing with the C compiler of this toolchain.
cat >"$prefix/bin/$triple-windres" <<EOF
#!/bin/sh
dir=\$(cd "\$(dirname "\$0")" && pwd)
exec $llvm/bin/llvm-windres --target=$triple --preprocessor="\$dir/$triple-clang" \\
    --preprocessor-arg=-E --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED "\$@"
EOF
chmod +x "$prefix/bin/$triple-windres"
ln -s "$llvm/lib/clang/19/include" "$resource/include"
export PATH="$prefix/bin:$PATH"

# The sources: Debian's, of the versions above. apt-get source needs a deb-src entry.
has_source() { apt-cache showsrc "$1" 2>/dev/null | grep -qx "Version: $2"; }
if ! has_source mingw-w64 "$mingw_version" || ! has_source llvm-toolchain-19 "$llvm_version"; then
    list=/etc/apt/sources.list.d/quillsift-deb-src.sources
    [[ -e $list ]] || $SUDO tee "$list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    step apt-update $SUDO apt-get update
fi
cd "$work"
step download apt-get source --download-only "mingw-w64=$mingw_version" \
    "llvm-toolchain-19=$llvm_version"
step unpack-mingw dpkg-source --no-check -x mingw-w64_*.dsc mingw-w64
# Of LLVM's tree, what the runtimes' build reads.
mkdir llvm-project
step unpack-llvm tar -xf llvm-toolchain-19_*.orig.tar.xz -C llvm-project --strip-components=1 \
    --wildcards '*/cmake/*' '*/llvm/utils/*' '*/compiler-rt/*' '*/libcxx/*' '*/libcxxabi/*' \
    '*/libunwind/*' '*/runtimes/*' '*/third-party/*'

# mingw-w64: its headers for UCRT, then the CRT for ARM64 alone, its import libraries made by
# llvm-dlltool. Windows 10 is the headers' default version, as in Debian's x86_64 headers.
mkdir headers crt
(cd headers && step headers-configure ../mingw-w64/mingw-w64-headers/configure --host=$triple \
    --prefix="$sysroot" --with-default-msvcrt=ucrt --with-default-win32-winnt=0xa00)
step headers-install make -C headers install
(cd crt && step crt-configure ../mingw-w64/mingw-w64-crt/configure --host=$triple \
    --prefix="$sysroot" --with-default-msvcrt=ucrt --disable-lib32 --disable-lib64 \
    --enable-libarm64 CC=$triple-clang CXX=$triple-clang++ AR=$triple-ar RANLIB=$triple-ranlib \
    DLLTOOL="$llvm/bin/llvm-dlltool")
step crt-build make -C crt -j "$jobs"
step crt-install make -C crt install

# compiler-rt's builtins, where clang looks for them in the resource folder: without them
# every link fails (on -lunwind first).
runtime_cmake=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SYSTEM_NAME=Windows
    -DCMAKE_C_COMPILER=$triple-clang -DCMAKE_CXX_COMPILER=$triple-clang++
    -DCMAKE_AR="$llvm/bin/llvm-ar" -DCMAKE_RANLIB="$llvm/bin/llvm-ranlib"
    -DCMAKE_C_COMPILER_WORKS=ON -DCMAKE_CXX_COMPILER_WORKS=ON
    -DCMAKE_FIND_ROOT_PATH="$sysroot" -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY)
step builtins-configure cmake -S llvm-project/compiler-rt/lib/builtins -B builtins \
    "${runtime_cmake[@]}" -DCMAKE_INSTALL_PREFIX="$resource" \
    -DCMAKE_C_COMPILER_TARGET=aarch64-w64-windows-gnu -DCOMPILER_RT_DEFAULT_TARGET_ONLY=ON \
    -DCOMPILER_RT_BUILD_BUILTINS=ON -DCOMPILER_RT_EXCLUDE_ATOMIC_BUILTIN=OFF \
    -DLLVM_CONFIG_PATH=""
step builtins-build cmake --build builtins -j "$jobs" --target install

# libunwind, libc++abi and libc++, static, libc++abi inside libc++.a, on Windows' threads.
step libcxx-configure cmake -S llvm-project/runtimes -B libcxx "${runtime_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$sysroot" -DCMAKE_CXX_COMPILER_TARGET=aarch64-w64-windows-gnu \
    -DLLVM_ENABLE_RUNTIMES="libunwind;libcxxabi;libcxx" -DLLVM_PATH="$work/llvm-project/llvm" \
    -DLIBUNWIND_USE_COMPILER_RT=ON -DLIBUNWIND_ENABLE_SHARED=OFF -DLIBUNWIND_ENABLE_STATIC=ON \
    -DLIBCXXABI_USE_COMPILER_RT=ON -DLIBCXXABI_USE_LLVM_UNWINDER=ON \
    -DLIBCXXABI_ENABLE_SHARED=OFF -DLIBCXXABI_LIBDIR_SUFFIX="" \
    -DLIBCXX_USE_COMPILER_RT=ON -DLIBCXX_ENABLE_SHARED=OFF -DLIBCXX_ENABLE_STATIC=ON \
    -DLIBCXX_ENABLE_STATIC_ABI_LIBRARY=ON -DLIBCXX_CXX_ABI=libcxxabi -DLIBCXX_LIBDIR_SUFFIX="" \
    -DLIBCXX_INCLUDE_TESTS=OFF -DLIBCXX_INCLUDE_BENCHMARKS=OFF -DLIBCXX_ENABLE_ABI_LINKER_SCRIPT=OFF \
    -DLIBCXX_INSTALL_MODULES=OFF -DLIBUNWIND_INCLUDE_TESTS=OFF -DLIBCXXABI_INCLUDE_TESTS=OFF
step libcxx-build cmake --build libcxx -j "$jobs" --target install

# A C++ program with an exception, linked as the system's programs are: the toolchain works.
cat >check.cpp <<'EOF'
#include <stdexcept>
#include <string>
int main() {
    try {
        throw std::runtime_error("thrown");
    } catch (const std::exception &caught) {
        return std::string(caught.what()) == "thrown" ? 0 : 1;
    }
}
EOF
step check $triple-clang++ -static -o check.exe check.cpp
machine=$("$llvm/bin/llvm-readobj" --file-headers check.exe | sed -n 's/^ *Machine: //p')
if [[ $machine != IMAGE_FILE_MACHINE_ARM64* ]]; then
    echo "$0: the toolchain makes programs for '$machine', not ARM64" >&2
    exit 1
fi
echo "$recipe" >"$prefix/RECIPE"
echo "aarch64-w64-mingw32 toolchain built in $((SECONDS - started)) s: $prefix" >&2
echo "$prefix"
