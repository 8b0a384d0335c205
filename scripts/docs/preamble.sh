# The set-up the documentation scripts share (sourced, not run): the repository root as the
# working folder, the build, the virtual display, a private settings folder and the meter
# simulator and monitor they drive.
#   source "$(dirname "$0")/preamble.sh"
set -euo pipefail
docs_script=$(realpath "$0")
docs_name=$(basename "$0")
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

# Installs what is missing and builds the targets into build/.
docs_build() {
    scripts/install-deps
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build -j"$(nproc)" --target "$@"
    mkdir -p docs
}

# Builds the targets, then runs the calling script again, with its arguments, on a virtual
# display of 1280 x 1024 (Xvfb); returns at once inside it. Call as docs_in_x TARGETS -- "$@".
docs_in_x() {
    local targets=()
    while [ "$1" != "--" ]; do
        targets+=("$1")
        shift
    done
    shift
    if [ -z "${VELS5_DOCS_IN_X:-}" ]; then
        docs_build "${targets[@]}"
        docs_cleanup # the run inside makes its own folder
        trap - EXIT
        VELS5_DOCS_IN_X=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$docs_script" "$@"
    fi
}

# A fresh folder for the run, removed at exit: $work, also the monitor's settings folder
# (XDG_CONFIG_HOME), so the user's own settings are neither read nor changed. At exit the
# monitor and the simulator started by the functions below are ended.
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work
meter_log=$work/meter.log
docs_cleanup() {
    kill "${monitor_pid:-}" "${meter_pid:-}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap docs_cleanup EXIT

# Starts the meter simulator with the arguments, its output in $meter_log, and waits until
# it has registered its port (its first line).
start_meter() {
    build/tools/vels5-meter/vels5-meter "$@" >"$meter_log" 2>&1 &
    meter_pid=$!
    for _ in $(seq 50); do
        grep -q '^vels5-meter: ' "$meter_log" && break
        sleep 0.1
    done
    head -n 1 "$meter_log"
}

# Waits until the simulator's output has a line matching the pattern.
wait_meter() {
    until grep -q "$1" "$meter_log"; do sleep 0.2; done
}

# Starts the monitor and sets $main to its main window.
start_monitor() {
    build/app/vels5 &
    monitor_pid=$!
    main=$(xdotool search --sync --name 'ВЕЛС5' | head -n 1)
}

# Whether the monitor holds the device open.
monitor_holds() {
    local fd
    for fd in "/proc/$monitor_pid/fd"/*; do
        [ "$(readlink "$fd")" = "$1" ] && return 0
    done
    return 1
}

# Opens COM1, the first item of the port popup of the main window's status bar, and waits
# until the monitor holds the simulator's device open; on a busy machine the popup may come
# too late for the keys, so it tries again.
open_com1() {
    local pts HEIGHT
    pts=$(sed -n 's/^vels5-meter: COM1 -> \(\S*\).*/\1/p' "$meter_log")
    HEIGHT=$(xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p')
    for _ in $(seq 10); do
        xdotool mousemove --window "$main" 20 $((HEIGHT - 8)) click 1
        sleep 0.5
        xdotool key Down Return
        for _ in $(seq 20); do
            monitor_holds "$pts" && return 0
            sleep 0.1
        done
        xdotool key Escape
    done
    echo "$docs_name: the monitor did not open the simulator's port $pts" >&2
    exit 1
}

# Grabs a window into docs/<file> and says so.
grab() { # window file
    import -window "$1" "docs/$2"
    echo "$docs_name: docs/$2"
}
