#!/bin/sh
# Lists the DLLs an executable imports and its size; fails when it imports
# anything beyond the system libraries Windows ships.
objdump=$1
exe=$2
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|WINMM|OLE32|OLEAUT32|SHLWAPI|WINDOWSCODECS|MSVCRT|COMCTL32|api-ms-win-crt-[a-z0-9-]+)\.DLL$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
echo "$(basename "$exe"): $(wc -c < "$exe") bytes; imports: $(echo $dlls)"
bad=$(echo "$dlls" | tr 'a-z' 'A-Z' | grep -Ev "$allowed")
if [ -n "$bad" ]; then
  echo "unexpected imports: $bad"
  exit 1
fi
