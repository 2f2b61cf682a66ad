#!/usr/bin/env bash
# Checks a cross-built vantrel.dll from the outside, and links a host built by clang in
# Microsoft's ABI against it.
#   bash tests/win32/check_dll.sh i686|x86_64 BUILD_DIR
# Leaves BUILD_DIR/msvc-host/msvc_host.exe for dev.sh to run under wine; on i686 it also checks
# the host's calls in the disassembly, which holds where no 32-bit program can run.
set -euo pipefail
arch=$1
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
dll=$build/vantrel.dll
objdump=$arch-w64-mingw32-objdump
failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}" >/dev/null 2>&1; then echo "ok     $1"; else echo "FAILED $1"; failures=$((failures + 1)); fi
}

if [ "$arch" = i686 ]; then
    this=QAE; ptr=PB; ref=AA; cref=AB; machine=i386; target=i686-pc-windows-msvc; convention=__thiscall
else
    this=QEAA; ptr=PEB; ref=AEA; cref=AEB; machine=i386:x86-64; target=x86_64-pc-windows-msvc; convention=__cdecl
fi
exports=$($objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}')
for name in DllGetClassObject DllCanUnloadNow DllRegisterServer vantrel_get_mark vantrel_set_codepage \
    _ZN17CQelMarkPhotoShopC1Ev _ZN17CQelMarkPhotoShopD1Ev _ZN17CQelMarkPhotoShopaSERKS_ \
    _ZN17CQelMarkPhotoShop7GetMarkEPKcS1_S1_ _ZN17CQelMarkPhotoShop6MarkPSEPKcS1_S1_ \
    "??0CQelMarkPhotoShop@@$this@XZ" "??1CQelMarkPhotoShop@@$this@XZ" \
    "??4CQelMarkPhotoShop@@${this}${ref}V0@${cref}V0@@Z" \
    "?GetMark@CQelMarkPhotoShop@@${this}N${ptr}D00@Z" "?MarkPS@CQelMarkPhotoShop@@${this}X${ptr}D00@Z"; do
    check "exports $name" grep -qxF "$name" <<<"$exports"
done
check "exports nothing else (17 names)" test "$(wc -l <<<"$exports")" -eq 17
check "no unregistration entry" bash -c "! grep -q DllUnregisterServer <<<'$exports'"
check "the decorated names decode to the class's members" bash -c \
    "llvm-undname '?GetMark@CQelMarkPhotoShop@@${this}N${ptr}D00@Z' | grep -qF 'public: double $convention CQelMarkPhotoShop::GetMark(char const *, char const *, char const *)'"

imports=$($objdump -p "$dll" | awk '/DLL Name:/ {print toupper($3)}' | sort -u)
echo "imports: $(tr '\n' ' ' <<<"$imports")"
check "imports only Windows system DLLs and msvcrt" bash -c \
    "! grep -qvE '^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|MSVCRT)\.DLL$' <<<'$imports'"
# Every function the DLL imports is on the list of those Windows XP SP3 has; a new import must
# be checked against XP and added there, or found at run time instead.
imported=$($objdump -p "$dll" | awk '/DLL Name:/ { dll = toupper($3); next } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll "!" $3 }' | sort -u)
unlisted=$(comm -23 <(echo "$imported") <(grep -v '^#' "$here/dll-imports.txt" | sort -u))
[ -z "$unlisted" ] || echo "imports not on the Windows XP list: $(tr '\n' ' ' <<<"$unlisted")"
check "imports only functions Windows XP SP3 has ($(wc -l <<<"$imported") of them)" test -z "$unlisted"
# XP is version 5.1; its x64 edition 5.2.
xp_minor=$([ "$arch" = i686 ] && echo 1 || echo 2)
check "the loader accepts it on Windows XP (subsystem version 5.$xp_minor or older)" bash -c \
    "$objdump -p '$dll' | awk '/MajorSubsystemVersion/ {major = \$2} /MinorSubsystemVersion/ {minor = \$2} END {exit !(major < 5 || (major == 5 && minor <= $xp_minor))}'"
check "never initialises COM itself" bash -c "! $objdump -p '$dll' | grep -qE 'CoInitialize|OleInitialize'"

resources=$(llvm-readobj --coff-resources "$dll")
# Piped, never pasted into a command: the data dump may hold any character, a quote included.
typelib_one() { grep -A6 'Type: TYPELIB' <<<"$resources" | grep -q '(ID 1)'; }
check "TYPELIB 1" typelib_one
check "VERSIONINFO" grep -q 'Type: VERSIONINFO (ID 16)' <<<"$resources"
utf16() { printf '%s' "$1" | iconv -f ASCII -t UTF-16LE | od -An -tx1 | tr -d ' \n'; }
hex=$(od -An -tx1 -v "$dll" | tr -d ' \n')
check "string block 080404B0" grep -q "$(utf16 080404B0)" <<<"$hex"
check "OLESelfRegister with an empty value" grep -q "$(utf16 OLESelfRegister)000000" <<<"$hex"
check "file version 1,0,0,1" grep -q "bd04effe0000010000000100010000000000" <<<"$hex"

# The host, as Microsoft's tools would build it: no headers, no runtime library.
out=$build/msvc-host
mkdir -p "$out"
gendef - "$dll" 2>/dev/null >"$out/vantrel.def"
llvm-dlltool -m "$machine" -d "$out/vantrel.def" -l "$out/vantrel.lib"
llvm-dlltool -m "$machine" -d "$here/msvc/kernel32-$arch.def" -l "$out/kernel32.lib" -k
clang --target=$target -O1 -fno-exceptions -fno-rtti -I "$here/../../include" -c "$here/msvc/MsvcHost.cpp" -o "$out/MsvcHost.obj"
check "the host links with lld-link" lld-link /nologo /nodefaultlib /entry:HostMain /subsystem:console \
    "$out/MsvcHost.obj" "$out/vantrel.lib" "$out/kernel32.lib" /out:"$out/msvc_host.exe"
cp "$dll" "$out/vantrel.dll"

if [ "$arch" = i686 ]; then
    # clang loads an import's address into a register, then calls through it: find that
    # register, then look at what stands before and after the calls through it.
    listing=$(llvm-objdump -d --no-show-raw-insn -r "$out/MsvcHost.obj")
    calls_of() {
        local register
        register=$(grep -B1 -F "__imp_$1" <<<"$listing" | grep -oE '(call[l]? +\*0|movl\s+0, %e[a-z]+)' | grep -oE '%e[a-z]+' | head -1)
        if [ -n "$register" ]; then grep -E "calll\s+\*$register" -B3 -A3 <<<"$listing"
        else grep -F "__imp_$1" -B10 -A3 <<<"$listing"; fi
    }
    check "the constructor gets this in ecx" grep -qE 'movl\s+%e[a-z]+, %ecx' <<<"$(calls_of '??0CQelMarkPhotoShop')"
    check "GetMark gets this in ecx and answers on the x87 stack" bash -c \
        "grep -qE 'movl\s+%e[a-z]+, %ecx' <<<'$(calls_of '?GetMark@')' && grep -qE 'fstp|fld|fucom' <<<'$(calls_of '?GetMark@')'"
    check "MarkPS gets this in ecx" grep -qE '%ecx' <<<"$(calls_of '?MarkPS@')"
    check "operator= gets this in ecx" grep -qE '%ecx' <<<"$(calls_of '??4CQelMarkPhotoShop')"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed for $arch"; exit 1; }
echo "all checks passed for the $arch DLL"
