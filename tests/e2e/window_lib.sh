# Shell functions of the window scripts: the probe beside the program, screenshots, waiting, pixels.
# Sourced, never run; the caller sets probe_exe (the window probe) and shots (the screenshot folder).

probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
shot() { import -window root "$shots/$1.png"; echo "screenshot $shots/$1.png"; }
wait_until() {  # wait_until SECONDS COMMAND...
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}
window_up() { probe find "$1" >/dev/null; }
window_gone() { ! probe find "$1" >/dev/null; }
pixel() {  # pixel X Y: the screen's colour there
    import -window root -depth 8 -crop "1x1+$1+$2" txt:- | tail -n 1 | grep -o '#[0-9A-F]\{6\}'
}
wait_exit() {  # wait_exit PID SECONDS: the program's exit code, or 124 when it is still running then
    local end=$((SECONDS + $2))
    while kill -0 "$1" 2>/dev/null; do
        [ $SECONDS -lt $end ] || return 124
        sleep 0.2
    done
    wait "$1"
}

# The scene of a window script: its own Xvfb, a fresh copy of the base prefix ($base) with unmanaged
# windows, and on exit the program whose launcher is in $launcher (if still up), the prefix and the Xvfb
# stopped. Sets prefix and shots (emptied) under WORK.
e2e_window_scene() {
    prefix=$1/prefix
    shots=$1/shots
    rm -rf "$shots"
    mkdir -p "$shots"
    e2e_start_xvfb "$1/xvfb.log"
    launcher=
    trap e2e_window_cleanup EXIT
    e2e_make_base_prefix "$base"
    e2e_fresh_prefix "$base" "$prefix"
    e2e_prepare_windows
    # In a namespace of the scene's own (update_site.sh), the start-up update check meets a quiet site.
    if declare -F e2e_update_site_quiet >/dev/null; then e2e_update_site_quiet "$1"; fi
}
e2e_window_cleanup() {
    # By its id first: a server going away under a program can leave it spinning.
    if [ -n "${launcher:-}" ]; then kill "$launcher" 2>/dev/null; fi
    if declare -F e2e_update_stop >/dev/null; then e2e_update_stop; fi
    e2e_stop_prefix "$prefix"
    e2e_stop_xvfb
}
