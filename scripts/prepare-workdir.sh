#!/usr/bin/env bash
# Lays out the work folder MyDocuments beside the program with what an installation delivers.
# Existing files are never overwritten: the journal and settings of earlier runs stay.
set -euo pipefail
# The journal, its photos, the log and the settings are the owner's only.
umask 077
bindir=$1
work="$bindir/MyDocuments"
mkdir -p "$work/DATABASE"
chmod 700 "$work"

# Settings with their defaults (profile format, CR LF).
if [ ! -e "$work/VELT.ini" ]; then
  # The journal's own default width of the date column is 19 pixels; the delivered file gives
  # widths that show the date and the values whole.
  printf '[Methods]\r\nAppType=default_mp\r\nVideo=0\r\nJpegQuality=75\r\nProgUseOnlyForAlkozamok=0\r\n\r\n[WindowState]\r\nwsMaximized=0\r\n\r\n[SizeTable]\r\nDATA_IZM=125\r\nFIO=560\r\nIZM=100\r\nIZM_AIR=110\r\nPRIBOR=50\r\n' \
    > "$work/VELT.ini"
fi

# Operators store with one operator: name "ОПЕРАТОР" (cp1251), password "1111".
# Header, payload length 33 + 8, the record (16-byte name, 16-byte password, live), trailer 10 and 11.
if [ ! -e "$work/VELT.dat" ]; then
  (
    {
      printf '\x01\x02\x03\x04\x10\x11\xff\xff\xff\xff\xff\xff'
      printf '\x29\x00\x00\x00'
      printf '\xce\xcf\xc5\xd0\xc0\xd2\xce\xd0\x00\x00\x00\x00\x00\x00\x00\x00'
      printf '1111\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
      printf '\x00'
      printf '\x0a\x00\x00\x00\x0b\x00\x00\x00'
    } > "$work/VELT.dat"
  )
fi

# The consolidated report's spreadsheet template, made by its generator.
mkdir -p "$work/REPORTS"
if [ ! -e "$work/REPORTS/pattern.xls" ] && [ -x "$bindir/velt-xls-pattern" ]; then
  "$bindir/velt-xls-pattern" "$work/REPORTS/pattern.xls"
fi

# The report templates and no_photo.jpg the build made (tools/velt-templates); a newer build replaces
# them, a template edited since is left alone.
templates="$bindir/../templates"
if [ -d "$templates/REPORTS" ]; then
  cp -u "$templates"/REPORTS/*.rpf "$work/REPORTS/"
  cp -u "$templates/no_photo.jpg" "$work/"
fi
