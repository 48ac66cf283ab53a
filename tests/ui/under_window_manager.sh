#!/bin/sh
# Runs a window test on a real X server with a window manager, for what the
# offscreen platform cannot show: frames placed by the window manager, focus.
# Exits 77 (skipped) where Xvfb or openbox is missing.
command -v xvfb-run >/dev/null 2>&1 && command -v openbox >/dev/null 2>&1 || exit 77
unset QT_QPA_PLATFORM
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    openbox >/dev/null 2>&1 &
    manager=$!
    sleep 1
    "$@" -platform xcb
    status=$?
    kill "$manager"
    exit "$status"' sh "$@"
