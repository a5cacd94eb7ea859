#!/usr/bin/env bash
# Builds a small, realistic download cache in the given folder, made with ffmpeg's own test
# sources: each item has <item>/<quality>/video.m4s and audio.m4s (fragmented MP4 with a global
# index, as the video app stores them) and <item>/entry.json.
# Usage: make-sample-cache.sh FOLDER [SECONDS]
set -euo pipefail
dest=${1:?usage: make-sample-cache.sh FOLDER [SECONDS]}
seconds=${2:-4}
mkdir -p "$dest"

fragmented=(-f mp4 -movflags frag_keyframe+empty_moov+default_base_moof+global_sidx)

# item FOLDER QUALITY PATTERN TONE ENTRY_JSON
item() {
    local folder="$dest/$1" quality=$2
    mkdir -p "$folder/$quality"
    ffmpeg -nostdin -v error -y -f lavfi -i "$3=size=320x240:rate=25" -t "$seconds" \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p -g 25 "${fragmented[@]}" "$folder/$quality/video.m4s"
    ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$4:duration=$seconds" \
        -c:a aac -b:a 96k "${fragmented[@]}" "$folder/$quality/audio.m4s"
    printf '%s\n' "$5" > "$folder/entry.json"
}

# Only the two keys Vantoro reads are real; the rest is filler of our own.
entry() { # entry TITLE SUBTITLE
    printf '{"title":{"title":"%s","download_subtitle":"%s"}}' "$@"
}

item "s_1001/c_5001" 64 testsrc 440 "$(entry '城市夜景纪录片' 'P1 第1集 城市的灯光')"
item "s_1001/c_5002" 64 testsrc2 523 "$(entry '城市夜景纪录片' 'P2 第2集 午夜列车')"
item "s_1002/c_6001" 32 smptebars 660 "$(entry 'Cooking at Home' 'Episode 1: Bread?')"
item "s_1003/c_7001" 16 rgbtestsrc 330 "$(entry 'Lo-fi beats / study' 'Side A <live>')"
# An entry without download_subtitle: the name comes from the title and a number.
item "s_1004/c_8001" 64 mandelbrot 392 '{"colour":"amber","title":"旅行日记 Vlog","shelf":{"row":2}}'
echo "Sample cache with 5 items in $dest"
