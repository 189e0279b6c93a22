#!/usr/bin/env bash
# Checks the 32-bit Windows release in a build tree against what the deliverables must be:
#   tests/release/inspect.sh BUILD_DIR        (e.g. build/mingw32)
# Every deliverable is a 32-bit PE file (pei-i386, PE32) whose subsystem version is 4.0, so
# that Windows 95 and NT 4.0 load it; programs use the Windows GUI subsystem; a file imports
# system DLLs only (static runtime, no libstdc++/libgcc/libwinpthread DLL); it carries a
# version resource with the product's names and the project's version; the library's export
# directory names it VTRXIFS.dll and exports exactly its three entry points.
# A deliverable whose source directory is not in the tree is skipped; one whose source is
# there but whose file is missing fails. Exit status 0 only when every check passed.
set -uo pipefail

if [ $# -ne 1 ] || [ ! -f "$1/CMakeCache.txt" ]; then
    echo "usage: $0 BUILD_DIR (a configured mingw32 build tree)" >&2
    exit 2
fi
build=$1
objdump=i686-w64-mingw32-objdump
windres=i686-w64-mingw32-windres

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt" | head -n 1; }
source_dir=$(cache_value CMAKE_HOME_DIRECTORY)
version=$(cache_value CMAKE_PROJECT_VERSION)

# DLLs that every supported Windows has; compared without regard to case.
system_dlls="KERNEL32.DLL ADVAPI32.DLL USER32.DLL COMCTL32.DLL SETUPAPI.DLL MSVCRT.DLL"
library_exports=$'IsDeviceInUse\nKillMessageDaemon\n_DeroRiridCoInstaller@16'

# file name | source directory | kind
deliverables=(
    "homolset.exe|homolset|program"
    "softuninst.exe|softuninst|program"
    "VTRXIFS.dll|vtrxifs|library"
)

passed=0
failed=0
# check NAME WHAT DETAIL COMMAND...: runs the command; it passes when the command succeeds.
check() {
    local name=$1 what=$2 detail=$3
    shift 3
    if "$@"; then
        echo "ok    $name: $what"
        passed=$((passed + 1))
    else
        echo "FAIL  $name: $what${detail:+ ($detail)}"
        failed=$((failed + 1))
    fi
}

# The value of a "Name<tab>value" line of objdump's private headers.
header_field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$2"; }

has_flag() { (((${1:-0} & $2) != 0)); }
lacks_flag() { (((${1:-0} & $2) == 0)); }
in_list() { [[ " $2 " == *" $1 "* ]]; }
matches() { grep -q "$1" <<<"$2"; }
contains() { grep -qF "$1" <<<"$2"; }
sums_hold() { (cd "$1" && sha256sum --quiet -c SHA256SUMS); }

inspect() { # FILE NAME KIND
    local file=$1 name=$2 kind=$3 headers
    headers=$("$objdump" -p "$file" 2>&1)

    local format magic subsystem_version characteristics
    format=$(sed -n 's/.*file format //p' <<<"$headers" | head -n 1)
    check "$name" "machine i386 (file format pei-i386)" "file format $format" \
        [ "$format" = pei-i386 ]
    magic=$(header_field Magic "$headers")
    check "$name" "PE32 optional header (magic 010b)" "magic $magic" [ "$magic" = 010b ]
    subsystem_version="$(header_field MajorSubsystemVersion "$headers").$(header_field MinorSubsystemVersion "$headers")"
    check "$name" "subsystem version 4.0" "subsystem version $subsystem_version" \
        [ "$subsystem_version" = 4.0 ]

    characteristics=$(header_field Characteristics "$headers")
    if [ "$kind" = program ]; then
        local subsystem
        subsystem=$(header_field Subsystem "$headers")
        check "$name" "Windows GUI subsystem (2)" "subsystem $subsystem" [ "$subsystem" = 00000002 ]
        check "$name" "an executable, not a DLL" "characteristics $characteristics" \
            lacks_flag "$characteristics" 0x2000
    else
        check "$name" "a DLL (characteristics bit 0x2000)" "characteristics $characteristics" \
            has_flag "$characteristics" 0x2000
    fi

    local dll foreign=""
    for dll in $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]'); do
        in_list "$dll" "$system_dlls" || foreign+=" $dll"
    done
    check "$name" "imports system DLLs only" "also imports:$foreign" [ -z "$foreign" ]

    local resources field expected
    resources=$("$windres" -i "$file" -O rc 2>&1)
    check "$name" "version resource present" "" matches '^1 VERSIONINFO' "$resources"
    for field in "CompanyName|Veltrane Technologies" "ProductName|DeroRirid Soft Modem" \
        "FileVersion|$version" "ProductVersion|$version" "OriginalFilename|$name"; do
        expected="VALUE \"${field%%|*}\", \"${field#*|}\""
        check "$name" "version resource: $expected" \
            "$(grep -F "\"${field%%|*}\"" <<<"$resources" | sed 's/^ *//')" \
            contains "$expected" "$resources"
    done
    check "$name" "version resource: a FileDescription" "" \
        matches 'VALUE "FileDescription", "[^"]' "$resources"

    if [ "$kind" = library ]; then
        local export_name exports
        export_name=$(sed -n '/^The Export Tables/,/^Export Address Table --/p' <<<"$headers" |
            awk '$1 == "Name" && NF == 3 { print $3; exit }')
        check "$name" "export directory names $name" "names '$export_name'" \
            [ "$export_name" = "$name" ]
        exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
            sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
        check "$name" "exports exactly: $(tr '\n' ' ' <<<"$library_exports")" \
            "exports: $(tr '\n' ' ' <<<"$exports")" [ "$exports" = "$(sort <<<"$library_exports")" ]
    fi
}

# The archive of `--target package`, when it was made: it holds exactly the deliverables, the
# README and SHA256SUMS, the sums hold, and the archived (stripped) files pass the same checks.
inspect_archive() { # ARCHIVE NAMES...
    local archive=$1 listed
    shift
    unpacked=$(mktemp -d)
    trap 'rm -rf "$unpacked"' EXIT
    (cd "$unpacked" && cmake -E tar xf "$archive")
    local top
    top=$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    listed=$(cd "$top" && find . -type f | sed 's|^\./||' | sort)
    local wanted
    wanted=$(printf '%s\n' "$@" README.md SHA256SUMS | sort)
    check archive "holds: $(tr '\n' ' ' <<<"$wanted")" "holds: $(tr '\n' ' ' <<<"$listed")" \
        [ "$listed" = "$wanted" ]
    local sums_listed
    sums_listed=$(sed 's/^[0-9a-f]*  //' "$top/SHA256SUMS" 2>/dev/null | sort)
    check archive "SHA256SUMS lists every other file" "lists: $(tr '\n' ' ' <<<"$sums_listed")" \
        [ "$sums_listed" = "$(printf '%s\n' "$@" README.md | sort)" ]
    check archive "SHA256SUMS holds (sha256sum -c)" "" sums_hold "$top"
    local row name source kind
    for row in "${deliverables[@]}"; do
        IFS='|' read -r name source kind <<<"$row"
        [ -f "$top/$name" ] && inspect "$top/$name" "$name" "$kind"
    done
}

built=()
for row in "${deliverables[@]}"; do
    IFS='|' read -r name source kind <<<"$row"
    if [ ! -f "$source_dir/$source/CMakeLists.txt" ]; then
        echo "skip  $name: $source/ is not in this tree yet"
        continue
    fi
    file=$(find "$build" -path "$build/_CPack_Packages" -prune -o -type f -name "$name" -print |
        head -n 1)
    if [ -z "$file" ]; then
        check "$name" "built" "not found below $build" false
        continue
    fi
    inspect "$file" "$name" "$kind"
    built+=("$name")
done

archive=$(cd "$build" && pwd)/DeroRirid-Soft-Modem-$version-win32.zip
if [ -f "$archive" ]; then
    echo "archive $(basename "$archive"):"
    inspect_archive "$archive" "${built[@]}"
else
    echo "skip  archive: $(basename "$archive") not made (cmake --build --preset mingw32 --target package)"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
