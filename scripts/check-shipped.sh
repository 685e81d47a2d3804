#!/usr/bin/env bash
# The files that dist/ ships are the ones the tests run: byte for byte the
# build's own, without debug sections, their symbols beside them, and the
# library exporting exactly its five undecorated entry points and linking
# none of the C++ runtime's allocation or exception code.
# The ARM64 build's symbols are PDBs, and zig 0.11 links no map and exports
# its unwinder's entry points from every library it links: there the
# library's own exports are the five, and its symbols define no throwing
# operator new.
# Usage: scripts/check-shipped.sh BUILD_DIR DIST_DIR
set -uo pipefail
build=$1 dist=$2
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

arm64=0
if grep -qs '^CMAKE_TOOLCHAIN_FILE:.*aarch64' "$build/CMakeCache.txt"; then
  arm64=1
  objdump=llvm-objdump-14
  shipped=(arm64/folders.dll arm64/saver.scr)
elif grep -qs '^CMAKE_LINKER:.*x86_64-w64-mingw32' "$build/CMakeCache.txt"; then
  objdump=x86_64-w64-mingw32-objdump
  shipped=(x64/folders.dll)
else
  objdump=i686-w64-mingw32-objdump
  shipped=(folders.dll saver.scr)
fi

for name in "${shipped[@]}"; do
  file=$dist/$name
  built=$build/bin/$name
  [ $arm64 = 0 ] || built=$build/bin/$(basename "$name")
  cmp -s "$file" "$built" || fail "$file is not the build's $built"
  sections=$($objdump -h "$file" | awk '$2 ~ /^\.debug/ {print $2}' | tr '\n' ' ')
  [ -z "$sections" ] || fail "$file carries debug sections: $sections"
  if [ $arm64 = 1 ]; then
    symbols=$(dirname "$file")/symbols/$(basename "${file%.*}").pdb
  else
    symbols=$(dirname "$file")/symbols/$(basename "$file").debug
  fi
  [ -s "$symbols" ] || fail "no symbols beside $file"
  echo "$file: $(stat -c %s "$file") bytes"
done

library=$dist/${shipped[0]}
if [ $arm64 = 1 ]; then
  exports=$($objdump -p "$library" | sed -n '/^ *Ordinal *RVA *Name/,/^$/p' | awk 'NR > 1 && NF == 3 {print $3}' |
            grep -vE '^(_Unwind_|unw_|_GCC_specific_handler$)' | tr '\n' ' ')
else
  exports=$($objdump -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ && NR > 1 {print $NF}' | tr '\n' ' ')
fi
[ "$exports" = "DllCanUnloadNow DllGetClassObject Install PackageUninstall Uninstall " ] ||
  fail "$library exports '$exports', not exactly DllCanUnloadNow DllGetClassObject Install PackageUninstall Uninstall"

if [ $arm64 = 1 ]; then
  pdb=$(dirname "$library")/symbols/folders.pdb
  throwing=$(llvm-pdbutil-14 dump -publics "$pdb" | grep -oE '`_Zn[wa]y`' | tr '\n' ' ')
  [ -z "$throwing" ] || fail "$library defines a throwing operator new: $throwing"
  [ "$failures" = 0 ]
  exit
fi

# The library's link map names every archive member the link pulled in. Of
# the C++ runtime only the member that defines std::nothrow may be there
# (it holds that object and the new-handler's getter and setter, nothing
# else): any other means an allocation form that bypasses the process heap,
# or the exception machinery.
map=$build/folders/folders.map
if [ -s "$map" ]; then
  runtime=$(sed -n '/^Archive member included/,/^Memory Configuration/p' "$map" |
            grep -oE 'lib(stdc\+\+|supc\+\+|gcc_eh|winpthread)\.a\([^)]*\)' | sort -u |
            grep -vx 'libstdc++\.a(new_handler\.o)' | tr '\n' ' ')
  [ -z "$runtime" ] || fail "$library links C++ runtime code: $runtime"
else
  fail "no link map $map"
fi

# The throwing new forms stay the runtime's, so that the map check above
# sees any use of them; one of our own would hide it.
debug=$(dirname "$library")/symbols/$(basename "$library").debug
if $objdump -t "$debug" 2>/dev/null | grep -E ' _?(_Znwj|_Znaj|_Znwm|_Znam)$' >/dev/null; then
  fail "$library defines a throwing operator new"
fi

[ "$failures" = 0 ]
