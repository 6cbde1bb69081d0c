#!/usr/bin/env bash
# Takes the user's guide's pictures anew: builds, runs the GUI scenarios (the real program on a
# virtual display, driven by the keyboard), and copies the screenshots the guide shows from
# build/screenshots/ into docs/guide/images/ under the names docs/guide.md uses, without the
# empty black of the virtual screen around the program's frame.
# BUILD_DIR chooses the build folder; further arguments go to cmake.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
PACKAGES+=(netpbm)
install_missing
configure_and_build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_WERROR=ON "$@"

# What the scenarios save (build/screenshots/gui/NAME.png) and the guide's name for it.
PICTURES=(
  "gui/02-main-frame.png main_frame.png"
  "gui/03-reference-menu.png reference_menu.png"
  "gui/04-position-form.png position_form.png"
  "gui/07-staff-schedule-reopened.png staff_schedule.png"
  "gui/card-02-located.png employee_list.png"
  "gui/card-03-card-opened.png employee_card.png"
  "gui/form17-02-sheet-two-preview.png report_preview.png"
)

step "running the GUI scenarios"
rm -rf "$BUILD_DIR/screenshots/gui"
ctest --test-dir "$BUILD_DIR" --output-on-failure -R 'Scenario' --timeout 600 ||
  die "a GUI scenario failed (see above): its screenshots would not show what the guide says"

step "copying the guide's pictures"
images="$ROOT/docs/guide/images"
mkdir -p "$images"
for picture in "${PICTURES[@]}"; do
  read -r source name <<<"$picture"
  [ -f "$BUILD_DIR/screenshots/$source" ] || die "no scenario saved $source"
  pngtopnm "$BUILD_DIR/screenshots/$source" | pnmcrop -black -quiet | pnmtopng -compression 9 >"$images/$name" ||
    die "could not crop $source"
  echo "docs/guide/images/$name  <-  $source"
done
for shown in $(grep -o 'guide/images/[^)]*' "$ROOT/docs/guide.md" | sort -u); do
  [ -f "$ROOT/docs/$shown" ] || die "docs/guide.md shows $shown, which no scenario makes"
done
