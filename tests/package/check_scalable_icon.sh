#!/usr/bin/env bash
# The hand-written scalable icon must show the picture the program draws: rendered
# at each size by librsvg, as icon themes render it, it may differ from the drawn
# PNG only by edge smoothing. Two measures: the overall difference (RMSE) catches a
# shape moved or missing, the share of pixels off by more than 5 % catches a
# colour changed in one part.
# Usage: check_scalable_icon.sh <svg> <png theme dir> <icon name> "<sizes>"
#        <largest RMSE> <largest share of differing pixels>
set -euo pipefail
svg=$1 theme=$2 name=$3 sizes=$4 most_rmse=$5 most_share=$6

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# compare prints "absolute (normalised)" or a pixel count on stderr, and exits 1
# when the pictures differ at all.
measure() { compare -metric "$@" null: 2>&1 || true; }
at_most() { awk -v v="$1" -v l="$2" 'BEGIN { exit !(v + 0 <= l + 0) }'; }

status=0
for size in $sizes; do
  png=$theme/${size}x${size}/apps/$name.png
  rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$svg"
  said=$(measure RMSE "$work/$size.png" "$png")
  rmse=$(sed -n 's/.*(\([0-9.e+-]*\)).*/\1/p' <<<"$said")
  said_ae=$(measure AE -fuzz 5% "$work/$size.png" "$png")
  [[ -n $rmse && $said_ae =~ ^[0-9]+$ ]] || { echo "FAIL: compare said: $said / $said_ae" >&2; exit 1; }
  share=$(awk -v n="$said_ae" -v s="$size" 'BEGIN { printf "%.4f", n / (s * s) }')
  verdict=ok
  if ! at_most "$rmse" "$most_rmse" || ! at_most "$share" "$most_share"; then
    verdict="FAIL: above RMSE $most_rmse or share $most_share"
    status=1
  fi
  echo "${size} px: RMSE $rmse, pixels off by more than 5 %: $share, $verdict"
done
exit $status
