#!/usr/bin/env bash
# The release checks CI makes after the tests: builds the release from this
# checkout's last commit, checks what the archives hold, runs the end-to-end
# cases against the shipped programs (the .exe under Wine), builds the Linux
# program again from the source archive alone, then builds the release
# again from a clone in another folder, later, against a Windows NSPR and
# libidn2 built outside that clone: both builds must give the same SHA256SUMS. In that
# clone it also checks that a tree with an untracked file is refused, and
# that the .exe signed with a throwaway certificate verifies, and gives the
# same bytes when signed again. The checkout must be clean.
#
# usage: scripts/check_release.sh
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/install_packages.sh devscripts unzip wine wine64 osslsigncode openssl
scripts/release.sh

VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/linux/CMakeCache.txt)
NAME=tralvinex-lookup-$VERSION
X=$(mktemp -d)
OTHER=$(mktemp -d)
trap 'rm -rf "$X" "$OTHER"' EXIT
tar -xzf "dist/$NAME-linux-x86_64.tar.gz" -C "$X"
unzip -q "dist/$NAME-win64.zip" -d "$X"
LIN=$X/$NAME-linux-x86_64
WIN=$X/$NAME-win64

fail() {
    echo "release check failed: $*" >&2
    exit 1
}

for f in "$LIN/tralvinex-lookup" "$LIN/tralvinex-lookup.1" "$LIN/README.md" "$LIN/LICENSE" \
    "$WIN/tralvinex-lookup.exe"; do
    [ -s "$f" ] || fail "$f is missing"
done
[ "$(ls dist | xargs)" = "BUILDINFO.txt SHA256SUMS $NAME-debug.tar.gz $NAME-linux-x86_64.tar.gz \
$NAME-src.tar.gz $NAME-win64.zip" ] || fail "dist holds $(ls dist | xargs)"
grep -q "^# tralvinex-lookup $VERSION for Linux" "$LIN/README.md" && ! grep -q '@[A-Z_]*@' "$LIN/README.md" ||
    fail "the tarball's README is not its own"
# The build record: this commit, and a version for every package it names.
grep -qx "commit $(git rev-parse HEAD)" dist/BUILDINFO.txt &&
    grep -qx "NSPR for Windows: Debian source package nspr $(dpkg-query -W -f='${source:Version}' libnspr4-dev)" \
        dist/BUILDINFO.txt &&
    grep -qx "libidn2 for Windows: Debian source package libidn2 $(dpkg-query -W -f='${source:Version}' libidn2-dev)" \
        dist/BUILDINFO.txt &&
    [ "$(sed -n '/^Debian packages:$/,$p' dist/BUILDINFO.txt | grep -cE '^  [a-z0-9.+-]+ [0-9][^ ]*$')" -ge 12 ] &&
    # the compiler NSPR's configure runs: the system's choice, the win32 thread model
    grep -q "^  $(dpkg -S "$(readlink -f "$(command -v x86_64-w64-mingw32-gcc)")" | cut -d: -f1) " \
        dist/BUILDINFO.txt ||
    fail "BUILDINFO.txt is incomplete: $(cat dist/BUILDINFO.txt)"
# The debug archive: each program's debug file, under the name its debug
# link gives: the build's own, whose checksum the link holds. (objcopy
# writes to a scratch file: given no output, it would rewrite the program.)
tar -xzf "dist/$NAME-debug.tar.gz" -C "$X"
cmp -s "$X/$NAME-debug/tralvinex-lookup.debug" build-release/linux/tralvinex-lookup.debug &&
    cmp -s "$X/$NAME-debug/tralvinex-lookup.exe.debug" build-release/windows/tralvinex-lookup.exe.debug &&
    objcopy --dump-section .gnu_debuglink="$X/link" "$LIN/tralvinex-lookup" "$X/scratch" &&
    [ "$(tr -d '\0' <"$X/link" | head -c 22)" = tralvinex-lookup.debug ] &&
    x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink="$X/link" \
        "$WIN/tralvinex-lookup.exe" "$X/scratch" &&
    [ "$(tr -d '\0' <"$X/link" | head -c 26)" = tralvinex-lookup.exe.debug ] ||
    fail "the debug archive does not hold the build's debug files under their links' names"
# The zip: these files and no other; its text filled in, every line ending
# in CR LF; the guide and the change log plain ASCII, which any console code
# page shows; the manual in its Windows form, with no word broken across
# lines. The change log has a section for this version, in both archives.
ZIP_TEXT="tralvinex-lookup.1.txt README-Windows.txt CHANGES.txt examples/lookup.bat
    examples/lookup-caller.c LICENSE.txt THIRD-PARTY-NOTICES.txt"
[ "$(unzip -Z1 "dist/$NAME-win64.zip" | sort | xargs)" = \
    "$(for f in tralvinex-lookup.exe $ZIP_TEXT; do echo "$NAME-win64/$f"; done | sort | xargs)" ] ||
    fail "the zip holds $(unzip -Z1 "dist/$NAME-win64.zip" | xargs)"
for f in $ZIP_TEXT; do
    [ -s "$WIN/$f" ] && ! grep -q '@[A-Z_]*@' "$WIN/$f" && ! grep -qv $'\r$' "$WIN/$f" ||
        fail "$WIN/$f is missing, unfilled or has a line without CR LF"
done
for f in README-Windows.txt CHANGES.txt; do
    ! LC_ALL=C grep -q $'[^\t\r -~]' "$WIN/$f" || fail "$WIN/$f is not plain ASCII"
done
grep -q 'LogDir\\Tralvinex<tid>.log' "$WIN/tralvinex-lookup.1.txt" &&
    grep -q 'README-Windows.txt' "$WIN/tralvinex-lookup.1.txt" || fail "the manual is not the Windows one"
! grep -q $'[[:alpha:]]-\r$' "$WIN/tralvinex-lookup.1.txt" || fail "the manual breaks a word"
# What a caller must know: no batch file takes ", % or a line break, and the
# C example ties the tool's run to its caller with a job object.
grep -q 'No batch file can take a value that holds' "$WIN/examples/lookup.bat" &&
    grep -q 'No batch file can take a value that holds' "$WIN/README-Windows.txt" &&
    grep -q 'JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE' "$WIN/examples/lookup-caller.c" ||
    fail "the batch file's limits or the caller's job object are not in the zip"
grep -qE "^## $VERSION( |$)" CHANGES.md && cmp -s "$LIN/CHANGES.md" CHANGES.md ||
    fail "CHANGES.md has no section for $VERSION, or the tarball lacks it"
for notices in "$LIN/THIRD-PARTY-NOTICES" "$WIN/THIRD-PARTY-NOTICES.txt"; do
    # the tool's own licence first, then NSPR's and libidn2's, with the
    # texts of the LGPL and the GPL it supplements
    grep -m 1 -q '^tralvinex-lookup itself' "$notices" &&
    grep -q '^Mozilla Public License Version 2.0' "$notices" &&
        grep -q "nspr $(dpkg-query -W -f='${source:Version}' libnspr4-dev)" "$notices" &&
        grep -q "libidn2 $(dpkg-query -W -f='${source:Version}' libidn2-dev)" "$notices" &&
        grep -q '^ *GNU LESSER GENERAL PUBLIC LICENSE' "$notices" &&
        grep -q '^ *GNU GENERAL PUBLIC LICENSE' "$notices" &&
        ! grep -q '@[A-Z_]*@' "$notices" || fail "$notices is incomplete"
done

# Every hardening check that can apply. Control-flow protection cannot: the
# linker marks a program only when all its objects are marked, and neither
# Debian's libnspr4.a nor glibc's start files are (ours are).
hardening-check --nocfprotection "$LIN/tralvinex-lookup"

# The .exe: no exports, imports of KnownDLLs alone (WINMM is delay-loaded),
# no link time, ASLR with high entropy, NX and no writable code, the stack
# protector, its debug link, its version and its manifest.
pe=$(x86_64-w64-mingw32-objdump -p -h "$WIN/tralvinex-lookup.exe")
! grep -q 'There is an export table' <<<"$pe" || fail "the .exe exports symbols"
imports=$(sed -n 's/^\tDLL Name: //p' <<<"$pe" | tr A-Z a-z | sort -u | xargs)
[ "$imports" = "advapi32.dll kernel32.dll msvcrt.dll ws2_32.dll" ] ||
    fail "the .exe imports $imports"
grep -q '^Time/Date.*00:00:00 1970$' <<<"$pe" || fail "the .exe has a link time"
for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    grep -qw "$flag" <<<"$pe" || fail "the .exe lacks $flag"
done
wx=$(awk '/^ *[0-9]+ [.A-Za-z]/ { name = $2; next } /CODE/ && !/READONLY/ { print name }' <<<"$pe")
[ -z "$wx" ] || fail "the .exe's sections $wx are both writable and executable"
# The stack protector: its runtime is the tool's own, not GCC's libssp (whose
# set-up loads CryptoAPI's DLLs before main), and functions of both the tool
# (C++, with a parameter list) and NSPR (PR_...) call its failure handler.
syms=$(x86_64-w64-mingw32-nm -C build-release/windows/tralvinex-lookup.exe.debug)
fail_at=$(awk '$2 == "T" && $3 == "__stack_chk_fail" { sub(/^0+/, "", $1); print $1 }' <<<"$syms")
[ -n "$fail_at" ] && grep -q ' D __stack_chk_guard$' <<<"$syms" && ! grep -q ' __chk_fail$' <<<"$syms" ||
    fail "the .exe lacks the tool's stack protector runtime, or has libssp's"
protected=$({
    awk '$2 ~ /^[Tt]$/ { $2 = ""; print }' <<<"$syms"
    x86_64-w64-mingw32-objdump -d "$WIN/tralvinex-lookup.exe" | awk -v f="$fail_at" '
        $0 ~ "call +(0x)?" f "( |$)" { a = $1; sub(/:$/, "", a); while (length(a) < 16) a = "0" a; print a, "CALL" }'
} | sort | awk '$2 == "CALL" { print fn; next } { $1 = ""; fn = substr($0, 2) }' | sort -u)
grep -q '(' <<<"$protected" && grep -q '^PR_' <<<"$protected" ||
    fail "no canary is checked in the tool's functions or in NSPR's"
echo "release check: $(wc -l <<<"$protected") functions of the .exe check a stack canary"
# Every compile unit of the tool (./src/), of NSPR (nspr/) and of libidn2
# (idn2/) was compiled
# with -fstack-protector-strong as its last word on the protector, but the
# protector's runtime, without it; and the canary's seed is a constructor.
cus=$(x86_64-w64-mingw32-objdump --dwarf=info --dwarf-depth=1 build-release/windows/tralvinex-lookup.exe.debug |
    awk '/DW_AT_producer/ { sub(/.*DW_AT_producer *: /, ""); producer = $0 }
        /DW_AT_name/ { sub(/.*: /, ""); print $0 "\t" producer }' | grep -E '^(\./src|nspr|idn2)/')
grep -q '^\./src/' <<<"$cus" && grep -q '^nspr/' <<<"$cus" && grep -q '^idn2/' <<<"$cus" ||
    fail "no debug information for the tool, NSPR or libidn2"
unprotected=$(awk -F'\t' '{
        n = split($2, word, " "); last = ""
        for (i = 1; i <= n; i++) if (word[i] ~ /^-f(no-)?stack-protector/) last = word[i]
        if (last != ($1 ~ /stack_guard_win32/ ? "-fno-stack-protector" : "-fstack-protector-strong")) print $1
    }' <<<"$cus")
[ -z "$unprotected" ] || fail "compiled without the stack protector as it should be: $unprotected"
# (The linker places the list in .text, from __CTOR_LIST__ to __DTOR_LIST__,
# one little-endian address in 8 bytes each.)
at() { awk -v name="$1" '$3 == name { print "0x" $1 }' <<<"$syms"; }
seed=$(at 'SeedStackGuard()' | cut -c3-)
ctors=$(x86_64-w64-mingw32-objdump -s --start-address="$(at __CTOR_LIST__)" \
    --stop-address="$(at __DTOR_LIST__)" "$WIN/tralvinex-lookup.exe" |
    awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5; i++) if (length($i) == 8 && $i ~ /^[0-9a-f]+$/) printf "%s", $i }' |
    fold -w 16 | sed -E 's/(..)(..)(..)(..)(..)(..)(..)(..)/\8\7\6\5\4\3\2\1/')
[ -n "$seed" ] && grep -qx "$seed" <<<"$ctors" || fail "the canary's seed is not among the .exe's constructors"
echo "release check: $(wc -l <<<"$cus") compile units of the tool, NSPR and libidn2 carry the stack protector"
grep -q '\.gnu_debuglink' <<<"$pe" || fail "the .exe has no debug link"
[ -s build-release/windows/tralvinex-lookup.exe.debug ] || fail "no debug information kept"
[ -z "$(find build-release/windows -maxdepth 1 -name '*.dll.a')" ] || fail "an import library was made"
rc=$(x86_64-w64-mingw32-windres -J coff -i "$WIN/tralvinex-lookup.exe" -O rc)
grep -q "VALUE \"FileVersion\", \"$VERSION\"" <<<"$rc" &&
    grep -q 'VALUE "OriginalFilename", "tralvinex-lookup.exe"' <<<"$rc" &&
    grep -q 'requestedExecutionLevel level=""asInvoker""' <<<"$rc" &&
    grep -q 'supportedOS' <<<"$rc" &&
    grep -q '>UTF-8</activeCodePage>' <<<"$rc" || fail "the .exe's version or manifest is wrong"

ctest --preset release-linux
scripts/windows/sandbox.sh ctest --preset release-windows

# The source archive alone builds the same Linux program, as a packager
# builds it: with the preset, no git and no script.
tar -xzf "dist/$NAME-src.tar.gz" -C "$X"
(cd "$X/$NAME" && cmake --preset release-linux >/dev/null && cmake --build --preset release-linux -j "$(nproc)" >/dev/null)
cmp "$X/$NAME/build-release/linux/tralvinex-lookup" "$LIN/tralvinex-lookup" ||
    fail "the source archive builds another Linux program"

git clone -q . "$OTHER/tralvinex"
touch "$OTHER/tralvinex/untracked"
! "$OTHER/tralvinex/scripts/release.sh" >/dev/null 2>"$X/refused" && grep -q untracked "$X/refused" ||
    fail "a tree with an untracked file was not refused"
rm "$OTHER/tralvinex/untracked"
NSPR_WIN_PREFIX=$OTHER/nspr-win IDN2_WIN_PREFIX=$OTHER/idn2-win "$OTHER/tralvinex/scripts/release.sh" >/dev/null
diff dist/SHA256SUMS "$OTHER/tralvinex/dist/SHA256SUMS" ||
    fail "a second build from $OTHER gives other bytes"

# Signed with a throwaway certificate (in that clone, whose dist/ is then
# no release): the signature verifies, and signing again gives the same zip.
openssl req -x509 -newkey rsa:2048 -nodes -days 36500 -subj "/CN=tralvinex-lookup release check" \
    -addext extendedKeyUsage=codeSigning -keyout "$X/key.pem" -out "$X/cert.pem" 2>/dev/null
for i in 1 2; do
    TRALVINEX_SIGN_CERT=$X/cert.pem TRALVINEX_SIGN_KEY=$X/key.pem NSPR_WIN_PREFIX=$OTHER/nspr-win \
        IDN2_WIN_PREFIX=$OTHER/idn2-win "$OTHER/tralvinex/scripts/release.sh" >/dev/null
    grep win64.zip "$OTHER/tralvinex/dist/SHA256SUMS" >"$X/signed-$i"
done
unzip -q -o "$OTHER/tralvinex/dist/$NAME-win64.zip" -d "$X/signed"
osslsigncode verify -CAfile "$X/cert.pem" -in "$X/signed/$NAME-win64/tralvinex-lookup.exe" >/dev/null &&
    cmp -s "$X/signed-1" "$X/signed-2" || fail "the signed .exe does not verify, or signing it again gives other bytes"
echo "release check: $NAME reproduced in another folder, its sources build it, its signature verifies"
