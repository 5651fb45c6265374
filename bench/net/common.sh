# Shared by the network benchmarks: builds the driver, finds free ports, times commands.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${CORVANTA_BUILD_DIR:-$top/build}
netbench=$build/bin/corvanta-netbench

build_netbench() {
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target corvanta-netbench -j2 >/dev/null
}

free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
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

# Middle value of the arguments.
median() {
    printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"
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
    [ -d "$work/host" ] && "$top/scripts/webhost" stop "$work/host" >/dev/null 2>&1 || true
}
