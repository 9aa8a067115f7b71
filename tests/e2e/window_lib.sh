# Shell functions of the window scripts: the probe beside the program, screenshots, waiting, pixels.
# Sourced, never run; the caller sets probe_exe (the window probe) and shots (the screenshot folder).

# probe COMMAND ARG [ID]: the probe's answer and exit code. A scenario's waits ask it hundreds of times and
# each Wine start costs a fifth of a second, so probe_serve keeps one probe answering for the display and
# prefix of the moment; anything else (another display, another prefix, the server gone, an answer not
# given within two minutes) falls back to a probe started for the one call.
probe() {
    if [ "${e2e_probe_for:-}" = "$DISPLAY|$WINEPREFIX|$probe_exe" ] && kill -0 "$e2e_probe_pid" 2>/dev/null; then
        local tag=$BASHPID.$RANDOM line
        # Written from a subshell: a server gone since the check ends that subshell by SIGPIPE, not us.
        if (IFS=$'\t' && printf '%s\n' "$tag	$*") >&"$e2e_probe_in" 2>/dev/null; then
            while IFS= read -r -t 120 line <&"$e2e_probe_out"; do
                line=${line//$'\r'/}  # as tr -d '\r' below
                if [[ $line == $'\x04'"$tag "* ]]; then return "${line##* }"; fi
                [[ $line == $'\x04'* ]] || printf '%s\n' "$line"
            done
        fi
        probe_stop
    fi
    wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'
}
probe_serve() {  # after the display, the prefix or the system DPI changed
    probe_stop
    coproc E2E_PROBE { exec wine "$probe_exe" serve 2>/dev/null; }
    e2e_probe_pid=$E2E_PROBE_PID
    # Copies that every subshell keeps (a coprocess's own descriptors are closed in pipelines).
    exec {e2e_probe_in}>&"${E2E_PROBE[1]}" {e2e_probe_out}<&"${E2E_PROBE[0]}"
    e2e_probe_for="$DISPLAY|$WINEPREFIX|$probe_exe"
}
probe_stop() {
    [ -n "${e2e_probe_for:-}" ] || return 0
    kill "$e2e_probe_pid" 2>/dev/null || true
    wait "$e2e_probe_pid" 2>/dev/null || true
    exec {e2e_probe_in}>&- {e2e_probe_out}<&-
    e2e_probe_for=
}
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
    probe_serve
}
e2e_window_cleanup() {
    # By its id first: a server going away under a program can leave it spinning.
    if [ -n "${launcher:-}" ]; then kill "$launcher" 2>/dev/null || true; fi
    probe_stop
    if declare -F e2e_update_stop >/dev/null; then e2e_update_stop; fi
    e2e_stop_prefix "$prefix"
    e2e_stop_xvfb
}
