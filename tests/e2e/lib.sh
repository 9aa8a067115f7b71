# Shared shell functions of the end-to-end scripts: throwaway Wine prefixes, Windows paths, registry queries.
# Sourced, never run. Every function works on the prefix in $WINEPREFIX, which must be a throwaway one.

e2e_fail() {
    echo "FAIL: $*" >&2
    exit 1
}

e2e_require_prefix() {
    [ -n "${WINEPREFIX:-}" ] || e2e_fail "WINEPREFIX is not set (refusing to touch ~/.wine)"
    case "$WINEPREFIX" in
    "$HOME/.wine" | "$HOME/.wine/") e2e_fail "refusing to work on ~/.wine" ;;
    esac
    export WINEDEBUG=-all
    case "${WINEDLLOVERRIDES:-}" in
    *winealsa.drv=d*) ;;
    "") export WINEDLLOVERRIDES="winealsa.drv=d" ;;
    *) export WINEDLLOVERRIDES="winealsa.drv=d;$WINEDLLOVERRIDES" ;;
    esac
}

# A prefix made once (wineboot takes about 12 s) and copied for every scenario (about 3 s).
e2e_make_base_prefix() {
    local base=$1
    if [ -f "$base/system.reg" ] && [ -f "$base/.e2e-ready" ]; then return 0; fi
    rm -rf "$base"
    mkdir -p "$base"
    (
        export WINEPREFIX=$base
        e2e_require_prefix
        unset DISPLAY
        wineboot -i >/dev/null 2>&1
        wineserver -w
    )
    [ -f "$base/system.reg" ] || e2e_fail "wineboot did not create $base"
    touch "$base/.e2e-ready"
}

# Copies the base prefix to a fresh throwaway one and starts its persistent wineserver.
e2e_fresh_prefix() {
    local base=$1 prefix=$2
    e2e_stop_prefix "$prefix"
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$base" "$prefix"
    rm -f "$prefix/wineserver" "$prefix/.e2e-ready"
    export WINEPREFIX=$prefix
    e2e_require_prefix
    wineserver -p </dev/null >/dev/null 2>&1
    e2e_guard prefix "$prefix"
    # The prefix's system processes keep the standard handles of whichever program starts them: start
    # them from one whose handles lead nowhere, so no caller's pipe is held open.
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

# Starts the prefix's persistent wineserver anew (it takes in the prefix's drives when it starts).
e2e_restart_server() {
    e2e_require_prefix
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1
    [ -z "${E2E_GUARD_LIST:-}" ] || e2e_guard prefix "$WINEPREFIX"
    wine cmd /c exit </dev/null >/dev/null 2>&1
}

# The live Wine processes of one prefix (its wineserver, services and programs) as "PID ARGS" lines: Wine's
# own executables, told apart by the WINEPREFIX in their environment (a script's other helpers, which
# inherit it, are not the prefix's). Scenarios ask this often, so it forks once (find reads every process's
# executable link) and reads the few Wine processes' files with builtins; a zombie has no link and drops out.
e2e_prefix_processes() {
    local prefix=$1 dir var
    local -a env argv
    while read -r dir; do
        mapfile -t -d '' env 2>/dev/null <"$dir/environ" || continue
        for var in "${env[@]}"; do
            [[ $var == "WINEPREFIX=$prefix" ]] || continue
            mapfile -t -d '' argv 2>/dev/null <"$dir/cmdline" || argv=()
            [ ${#argv[@]} -gt 0 ] && echo "${dir#/proc/} ${argv[*]}"
            break
        done
    done < <(find /proc -mindepth 2 -maxdepth 2 -name exe -lname '*/wine*' -printf '%h\n' 2>/dev/null)
}

# Stops the wineserver of one prefix and waits, by process id, until every process of that prefix is
# gone: a server still going away would otherwise serve the next start in a prefix of the same place.
# What is still there after a minute is killed, by its id. Nothing of another prefix is touched.
e2e_stop_prefix() {
    local prefix=$1 pids pid start=$SECONDS killed=
    [ -d "$prefix" ] || return 0
    prefix=$(cd "$prefix" && pwd)
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
    while pids=$(e2e_prefix_processes "$prefix" | cut -d' ' -f1) && [ -n "$pids" ] && [ $((SECONDS - start)) -lt 70 ]; do
        if [ -z "$killed" ] && [ $((SECONDS - start)) -ge 60 ]; then
            for pid in $pids; do kill -KILL "$pid" 2>/dev/null || true; done
            killed=1
        fi
        sleep 0.2
    done
    [ -z "$pids" ] || echo "processes of $prefix still running: $pids" >&2
}

# ctest ends a scenario at its timeout by killing the script, whose exit trap then never runs: the
# prefix's server and programs, the Xvfb and the update server it started would run on beside the tests
# after it. So the first of them starts a watcher outside the script's process tree which, once the script
# is gone, stops those of them that are still running: only the very processes registered (same id, same
# start time), so a finished run's, whose own clean-up stopped them, and a later run's are never touched.
e2e_guard() {  # e2e_guard prefix PATH | e2e_guard process PID
    local what=$2 pid=$2 start
    if [ "$1" = prefix ]; then
        pid=$(e2e_prefix_processes "$(cd "$what" && pwd)" | awk '$2 ~ /wineserver/ { print $1 }') || true
    fi
    start=$(e2e_start_time "$pid") || return 0
    if [ -z "${E2E_GUARD_LIST:-}" ] || [ ! -f "$E2E_GUARD_LIST" ]; then
        E2E_GUARD_LIST=$(mktemp "${TMPDIR:-/tmp}/e2e-guard.XXXXXX")
        export E2E_GUARD_LIST
        (setsid bash -c '. "$1" && e2e_guard_watch "$2" "$3"' guard "${BASH_SOURCE[0]}" "$$" "$E2E_GUARD_LIST" \
            </dev/null >/dev/null 2>&1 &)
    fi
    printf '%s\t%s\t%s\t%s\n' "$1" "$what" "$pid" "$start" >>"$E2E_GUARD_LIST"
}
e2e_guard_watch() {  # e2e_guard_watch SCRIPT_PID LIST
    local kind what pid start
    while kill -0 "$1" 2>/dev/null; do sleep 1; done
    while IFS=$'\t' read -r kind what pid start; do
        [ "$(e2e_start_time "$pid")" = "$start" ] || continue
        case $kind in
        prefix) e2e_stop_prefix "$what" ;;
        process) kill "$pid" 2>/dev/null ;;
        esac
    done <"$2"
    rm -f "$2"
}
e2e_start_time() {  # e2e_start_time PID: when the process started (clock ticks since boot), if it is there
    local stat fields
    [ -n "$1" ] && read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    read -r -a fields <<<"${stat##*) }"
    echo "${fields[19]}"
}

# The unix path of a Windows path in the prefix ("C:\windows\x.exe", "M:\a.inf"), each folder found
# case-insensitively as Wine finds it; missing parts keep the given spelling. Builtins only past the drive:
# a planted set looks up a hundred paths.
e2e_unix_path() {
    local win=$1 dir part found entry name
    local drive=${win:0:1}
    dir=$(readlink -f "$WINEPREFIX/dosdevices/${drive,,}:") || return 1
    local IFS='\'
    for part in ${win:3}; do
        [ -n "$part" ] || continue
        found=
        if [ -e "$dir/$part" ]; then
            found=$part
        elif [ -d "$dir" ]; then
            for entry in "$dir"/* "$dir"/.[!.]* "$dir"/..?*; do
                name=${entry##*/}
                if [[ ${name,,} == "${part,,}" ]] && [ -e "$entry" ]; then found=$name; break; fi
            done
        fi
        dir="$dir/${found:-$part}"
    done
    printf '%s\n' "$dir"
}

# Copies a unix file to a Windows path in the prefix, creating the folders on the way.
e2e_put_file() {
    local src=$1 win=$2
    local dst
    dst=$(e2e_unix_path "$win")
    mkdir -p "$(dirname "$dst")"
    cp "$src" "$dst"
}

e2e_win_exists() {
    local p
    p=$(e2e_unix_path "$1")
    [ -e "$p" ]
}

# The whole registry as UTF-8 text (for before/after comparisons), without the one key the service
# control manager counts in whenever it starts a service process (volatile on Windows).
e2e_registry_dump() {
    local out=$1
    local tmp="$out.utf16"
    wine regedit /e "Z:$(printf '%s' "$tmp" | tr '/' '\\')" >/dev/null 2>&1
    [ -f "$tmp" ] || e2e_fail "regedit did not export the registry"
    iconv -f UTF-16LE -t UTF-8 "$tmp" | tr -d '\r' |
        awk '/^\[/ { skip = ($0 == "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent]") } !skip' >"$out"
    rm -f "$tmp"
}

# Every file of the prefix's drive C: with its checksum, except under the folders given (relative to drive_c,
# e.g. "windows/temp").
e2e_file_list() {
    local out=$1
    shift
    local prune=() ex
    for ex in "$@"; do prune+=(-path "./$ex" -prune -o); done
    (cd "$WINEPREFIX/drive_c" && find . "${prune[@]}" -type f -print0 | sort -z | xargs -0 -r md5sum) >"$out"
}

e2e_key_exists() { wine reg query "$1" >/dev/null 2>&1; }
e2e_value_exists() { wine reg query "$1" /v "$2" >/dev/null 2>&1; }
# The data of a value as reg shows it (the text after its type).
e2e_value_data() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n 's/^.*REG_[A-Z_]*    //p' | head -n 1; }

# Whether a Windows program is running in this prefix (wine shows processes by their Windows path).
e2e_process_running() {
    local image=${1,,} pid args
    while read -r pid args; do
        [[ ${args,,} == "$image"* ]] && return 0
    done < <(e2e_prefix_processes "$WINEPREFIX")
    return 1
}

# An Xvfb of our own (screen WxH, 1280x1024 unless given) on a display number nobody uses; sets DISPLAY and
# E2E_XVFB_PID. The server picks the number itself and takes it under its lock (-displayfd), so scripts
# starting side by side never share a display. Stop it with e2e_stop_xvfb (by its pid, never by name:
# other programs run Xvfb too).
e2e_start_xvfb() {
    local log=${1:-/dev/null} size=${2:-1280x1024} numberfile n=
    numberfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$numberfile" >"$log" 2>&1 &
    E2E_XVFB_PID=$!
    e2e_guard process "$E2E_XVFB_PID"
    # It writes the number once it accepts clients; a loaded machine may take seconds: up to 60 s.
    for _ in $(seq 600); do
        n=$(head -n 1 "$numberfile")
        [ -n "$n" ] || ! kill -0 "$E2E_XVFB_PID" 2>/dev/null && break
        sleep 0.1
    done
    rm -f "$numberfile"
    if [ -z "$n" ]; then
        e2e_stop_xvfb
        e2e_fail "Xvfb did not start (see $log)"
    fi
    export DISPLAY=":$n"
}

e2e_stop_xvfb() {
    [ -n "${E2E_XVFB_PID:-}" ] || return 0
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=
}

# Windows of a prefix without a window manager: unmanaged, or every closing window waits 2 s; and Wine's
# own fonts for the caption buttons it then draws.
e2e_prepare_windows() {
    e2e_require_prefix
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
        "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # A Korean Windows has Hangul in the faces the program asks for; here only WenQuanYi has it, and
    # without these Wine picks a font with the right code-page bits but no Hangul.
    local reg="$WINEPREFIX/drive_c/hangul-faces.reg" face
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for face in 'MS Sans Serif' 'Arial' 'Times New Roman'; do
            printf '"%s,129"="WenQuanYi Micro Hei,129"\r\n' "$face"
        done
    } >"$reg"
    wine reg import 'C:\hangul-faces.reg' >/dev/null 2>&1 || true
    rm -f "$reg"
}

# A unix path as Wine names it on drive Z: ("/tmp/x" gives "Z:\tmp\x").
e2e_winz() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

# One check of a scenario: prints ok or FAIL and counts the failures in $failures.
failures=0
e2e_check() {  # e2e_check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
e2e_not() { ! "$@"; }
