#!/usr/bin/env bash
# The desktop entry validates, every icon size was rendered, and the user manual is an A4 PDF
# of a plausible length whose title and first heading read as they should.
#   desktop_files_test.sh SOURCE_DIR BUILD_DIR MIN_PAGES MAX_PAGES
set -euo pipefail
src=$1 build=$2 min=$3 max=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$src/packaging/vels5.desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=vels5' "$src/packaging/vels5.desktop" || fail "the entry does not start vels5"
for size in 16 22 24 32 48 64 128 256; do
    png="$build/packaging/icons/$size.png"
    [ -s "$png" ] || fail "no $size px icon"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not $size x $size"
done

pdf="$build/packaging/VELS5_PO.pdf"
[ -s "$pdf" ] || fail "no manual"
info=$(LC_ALL=C.UTF-8 pdfinfo "$pdf")
pages=$(sed -n 's/^Pages: *//p' <<<"$info")
[ "$pages" -ge "$min" ] && [ "$pages" -le "$max" ] || fail "the manual has $pages pages"
grep -q '^Title: *Монитор ВЕЛС-5. Руководство пользователя$' <<<"$info" || fail "title: $info"
grep -q '^Page size: *595.* x 842.* pts (A4)' <<<"$info" || fail "not A4: $info"
LC_ALL=C.UTF-8 pdftotext -l 1 "$pdf" - | grep -q 'Монитор ВЕЛС-5' || fail "first page text"
# The contents on page 2 carry the chapters' page numbers, the first chapter opens page 3
# (each chapter starts a page), and every screenshot of the manual made it into the PDF.
contents=$(LC_ALL=C.UTF-8 pdftotext -layout -f 2 -l 2 "$pdf" -)
grep -Eq 'Главное окно +[0-9]+$' <<<"$contents" || fail "contents without page numbers: $contents"
LC_ALL=C.UTF-8 pdftotext -f 3 -l 3 "$pdf" - | head -n 1 | grep -q '^1. Назначение и состав' ||
    fail "page 3 does not open chapter 1"
pictures=$(grep -o '!\[[^]]*\]([^)]*)' "$src/docs/manual/manual.md" | wc -l)
images=$(pdfimages -list "$pdf" | tail -n +3 | wc -l)
[ "$images" -ge "$pictures" ] || fail "$images images in the PDF, $pictures in the manual"
# "Справка" needs xdg-open: the package depends on it.
grep -Eq '^set\(CPACK_DEBIAN_PACKAGE_DEPENDS "([^"]*, )?xdg-utils[,"]' "$build/CPackConfig.cmake" ||
    fail "the package does not depend on xdg-utils"
echo "desktop files: entry valid, icons rendered, manual of $pages pages"
