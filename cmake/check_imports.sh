#!/bin/sh
# Lists the DLLs an executable imports and its size; fails when it imports
# anything beyond the system libraries Windows ships, or one of the DLLs named
# in the third argument (a regular expression), which the program must load
# from the system folder itself: an imported DLL that is not one of Windows'
# known DLLs is looked for beside the executable first.
objdump=$1
exe=$2
selfloaded=$3
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|WINMM|OLE32|MSVCRT|api-ms-win-crt-[a-z0-9-]+)\.DLL$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
echo "$(basename "$exe"): $(wc -c < "$exe") bytes; imports: $(echo $dlls)"
bad=$(echo "$dlls" | tr 'a-z' 'A-Z' | grep -Ev "$allowed")
if [ -n "$bad" ]; then
  echo "unexpected imports: $bad"
  exit 1
fi
if [ -n "$selfloaded" ]; then
  early=$(echo "$dlls" | tr 'a-z' 'A-Z' | grep -E "^($selfloaded)\.DLL$")
  if [ -n "$early" ]; then
    echo "imported, so a DLL of that name beside the program would be loaded: $early"
    exit 1
  fi
fi
