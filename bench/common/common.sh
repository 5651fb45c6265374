# Shared by the benchmarks: builds what they need (showing the compiler's
# errors), starts the local web host, finds free ports, times commands and
# prints the closing ratio line.
BENCH_COMMON=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export BENCH_COMMON
top=$(cd "$BENCH_COMMON/../.." && pwd)
build=${CORVANTA_BUILD_DIR:-$top/build}
netbench=$build/bin/corvanta-netbench
py=/usr/bin/python3

# --quick as the first argument: a run of seconds that only shows the
# benchmark still works (CI runs every benchmark so).
quick=0
[ "${1:-}" = "--quick" ] && quick=1

# Builds the targets; the build's own output is shown when it fails.
build_targets() {
    local log
    log=$(mktemp)
    if ! { cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
        cmake --build "$build" --target "$@" --parallel 2; } >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        echo "bench: building $* failed (the build's output is above)" >&2
        exit 1
    fi
    rm -f "$log"
}

# corvanta-cli import-project of a fixture: a project the check refuses
# ends the benchmark with the check's message.
import_project() { # cli file
    local out
    out=$("$1" import-project "$2" 2>&1) ||
        { echo "$out" >&2; echo "bench: the fixture project $2 was refused" >&2; exit 1; }
}

build_netbench() {
    build_targets corvanta-netbench
}

free_port() {
    "$py" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_listening() {
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "nothing listens on port $1" >&2
    return 1
}

# Seconds a command takes, wall clock; its output goes to the file $1.
time_command() {
    local out=$1
    shift
    local start end
    start=$(date +%s%N)
    "$@" >"$out"
    end=$(date +%s%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", (e - s) / 1e9 }'
}

# Middle value of the arguments (the mean of the two middle ones for an
# even count).
median() {
    printf '%s\n' "$@" | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# "NAME ratio X": product time $2 over reference time $3.
print_ratio() {
    awk -v n="$1" -v p="$2" -v r="$3" 'BEGIN { printf "%s ratio %.3f\n", n, p / r }'
}

# A ratio beside its aim, for the full runs' output.
print_aim() { # what product reference aim
    awk -v w="$1" -v p="$2" -v r="$3" -v a="$4" 'BEGIN {
        printf "%s: %.3f (aim: %s at most%s)\n", w, p / r, a, (p / r <= a) ? "" : ", not reached" }'
}

# The local web host in $work/host; its settings go into the array env
# (URL, MYSQL_SOCKET, FTP_SERVER, ...).
start_host() {
    "$top/scripts/webhost" start "$work/host" --owner $$ >/dev/null 2>"$work/host.err" ||
        { cat "$work/host.err" >&2; echo "bench: the local web host did not start" >&2; exit 1; }
    declare -gA env
    while IFS='=' read -r key value; do
        [ -n "$key" ] && env[$key]=$value
    done < <("$top/scripts/webhost" env "$work/host")
}

stop_host() {
    [ -d "$work/host" ] && "$top/scripts/webhost" stop "$work/host" >/dev/null 2>&1 || true
}

# The local web host with its encrypted servers, in $work/host; its settings
# become shell variables (HTTPS_URL, VSFTPD_SERVER, SFTP_USER, CA_FILE, ...).
start_secure_host() {
    "$top/scripts/webhost" start "$work/host" --owner $$ --secure >/dev/null
    while IFS='=' read -r key value; do
        [ -n "$key" ] && printf -v "$key" '%s' "$value"
    done < <("$top/scripts/webhost" env "$work/host")
    export CORVANTA_CA_FILE=$CA_FILE
}

stop_secure_host() {
    stop_host
}

# The site's database, as the client of the local web host.
sql() {
    mariadb --no-defaults --socket="${env[MYSQL_SOCKET]}" -u"${env[MYSQL_USER]}" \
        -p"${env[MYSQL_PASSWORD]}" "${env[MYSQL_DATABASE]}" "$@"
}
