#!/usr/bin/env bash
# Makes the streams of the codec tests with the ffmpeg on PATH (Debian's, which can write them
# all): one folder per kind of item, each with a video.m4s and an audio.m4s of 2 s, fragmented
# as the cache holds them. The Windows build's ffmpeg reads these codecs but cannot write them,
# so its tests under Wine get the streams made here.
#   tests/make-codec-streams.sh FOLDER
set -euo pipefail
out=${1:?usage: make-codec-streams.sh FOLDER}
fragmented=(-f mp4 -movflags frag_keyframe+empty_moov+default_base_moof+global_sidx+delay_moov)
picture=(-f lavfi -i testsrc2=size=320x240:rate=25:duration=2)
sound=(-f lavfi -i sine=frequency=330:duration=2)

stream() { # stream FOLDER FILE SOURCE...: makes one stream file with these ffmpeg arguments
    local folder=$out/$1 file=$2
    shift 2
    mkdir -p "$folder"
    [ -s "$folder/$file" ] && return 0
    # SVT-AV1 writes its banner unless told to keep to errors.
    SVT_LOG=1 ffmpeg -nostdin -v error -y "$@" "${fragmented[@]}" "$folder/$file.part" \
        && mv "$folder/$file.part" "$folder/$file"
}

stream hevc-aac video.m4s "${picture[@]}" -c:v libx265 -preset ultrafast -x265-params log-level=error
stream hevc-aac audio.m4s "${sound[@]}" -c:a aac
stream hevc10-ac3 video.m4s "${picture[@]}" -pix_fmt yuv420p10le -c:v libx265 -preset ultrafast \
    -x265-params log-level=error
stream hevc10-ac3 audio.m4s "${sound[@]}" -c:a ac3
stream av1-opus video.m4s "${picture[@]}" -c:v libaom-av1 -cpu-used 8 -row-mt 1
stream av1-opus audio.m4s "${sound[@]}" -c:a libopus
stream av1svt-flac video.m4s "${picture[@]}" -c:v libsvtav1 -preset 12
stream av1svt-flac audio.m4s "${sound[@]}" -c:a flac -strict experimental
stream h264-eac3 video.m4s "${picture[@]}" -c:v libx264 -preset ultrafast
stream h264-eac3 audio.m4s "${sound[@]}" -c:a eac3
stream h264-mp3 video.m4s "${picture[@]}" -c:v libx264 -preset ultrafast
stream h264-mp3 audio.m4s "${sound[@]}" -c:a libmp3lame
