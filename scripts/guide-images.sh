#!/usr/bin/env bash
# Refreshes the pictures of the user guides from the end-to-end tests' screenshots: each one cut
# to the windows it shows, the empty screen around them painted in a desktop colour.
#   scripts/with-wine.sh ctest --preset windows   # the tests save their screenshots
#   scripts/guide-images.sh                       # docs/images/*.png from them
set -euo pipefail
source "$(dirname "$0")/lib.sh"

shots="$VARNEL_ROOT/build/windows/artifacts"
images="$VARNEL_ROOT/docs/images"
# Screenshot (as the tests name it) and picture (as the guides name it).
pictures=(
  main_window:main-window
  drop_new_note:new-note
  main_menu:main-menu
  three_notes:notes
  note_menu:note-menu
  discard_question:discard
  read_only_folder:read-only-folder
)

mkdir -p "$images"
for pair in "${pictures[@]}"; do
  shot=${pair%%:*}
  picture=${pair#*:}
  # The screen's bottom-right corner is always empty: the fill starts there and stops at windows.
  convert "$shots/$shot.png" -fill '#3a6ea5' -draw 'color 1279,1023 floodfill' -trim +repage \
    -bordercolor '#3a6ea5' -border 16 -strip "$images/$picture.png"
  varnel_say "docs/images/$picture.png from $shot.png"
done
