#!/bin/sh
# Lists the DLLs an executable imports and its size; fails when it imports
# anything beyond the system libraries Windows ships, or when it imports one
# of the DLLs named in the third argument (a regular expression) at load time
# instead of on first use.
objdump=$1
exe=$2
delayed=$3
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|WINMM|OLE32|OLEAUT32|SHLWAPI|WINDOWSCODECS|MSVCRT|COMCTL32|api-ms-win-crt-[a-z0-9-]+)\.DLL$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
echo "$(basename "$exe"): $(wc -c < "$exe") bytes; imports: $(echo $dlls)"
bad=$(echo "$dlls" | tr 'a-z' 'A-Z' | grep -Ev "$allowed")
if [ -n "$bad" ]; then
  echo "unexpected imports: $bad"
  exit 1
fi
if [ -n "$delayed" ]; then
  early=$(echo "$dlls" | tr 'a-z' 'A-Z' | grep -E "^($delayed)\.DLL$")
  if [ -n "$early" ]; then
    echo "loaded with the program instead of on first use: $early"
    exit 1
  fi
fi
