#!/usr/bin/env bash
# Regenerates the committed images byte for byte from Debian tools: qrencode draws the QR
# codes, ImageMagick composes pictures and captions, python3 settles the PNG chunks (sRGB,
# gAMA 45455, pHYs 4724/m and nothing else) and packs the Windows icon.
# Needs: qrencode imagemagick fonts-wqy-microhei python3.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# donation_image URL WIDTH CAPTION COLOUR OUTPUT
donation_image() {
    qrencode -s 5 -m 0 -l M -o "$work/qr.png" "$1"
    "$IM" -size "$2x200" xc:white "$work/qr.png" -gravity north -geometry +0+8 -composite \
        -font "$FONT" -fill "$4" -pointsize 15 -gravity south -annotate +0+22 "$3" \
        -fill '#555555' -pointsize 10 -annotate +0+8 'vantoro.example/donate' \
        -type TrueColor -depth 8 -interlace none -define png:exclude-chunks=all \
        -define png:color-type=2 -define png:bit-depth=8 "PNG24:$work/raw.png"
    python3 png_chunks.py "$work/raw.png" "$5"
}

donation_image https://vantoro.example/donate/alipay 165 '支付宝 · 捐赠' '#1677ff' image/Mek_zfb_small.png
donation_image https://vantoro.example/donate/wechat 153 '微信 · 捐赠' '#07c160' image/Mek_weichat_small.png

# The program icon: a film frame with a play mark, drawn large and scaled down.
"$IM" -size 128x128 xc:none -fill '#2b6cb0' -draw 'roundrectangle 4,12 123,115 18,18' \
    -fill '#ffffff' -draw 'rectangle 14,22 113,105' -fill '#2b6cb0' \
    -draw 'polygon 50,38 50,90 94,64' -fill '#f6ad55' -draw 'rectangle 14,95 113,105' \
    -depth 8 -define png:exclude-chunks=all "PNG32:$work/icon128.png"
"$IM" "$work/icon128.png" -resize 32x32 -depth 8 -define png:exclude-chunks=all "PNG32:$work/icon32.png"
python3 png_chunks.py --keep-alpha "$work/icon128.png" icons/vantoro-128.png
python3 png_chunks.py --keep-alpha "$work/icon32.png" icons/vantoro-32.png
"$IM" "$work/icon32.png" -depth 8 "RGBA:$work/icon32.rgba"
python3 pack_icon.py "$work/icon32.rgba" vantoro.ico
