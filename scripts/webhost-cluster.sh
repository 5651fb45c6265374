# The cluster profile of the local web host, sourced by scripts/webhost: what
# a provider gives a site that outgrew one server. Three MariaDB nodes of one
# Galera cluster behind HAProxy (the site's database server), two PHP servers
# behind HAProxy (the site's address, round robin, no stickiness), and FTP
# into the document root both PHP servers share.
#
# Ports, names and the node settings are kept in DIR/cluster.conf, so that a
# node can be stopped and started again (webhost node DIR N stop|start).

cluster_nodes=3
cluster_servers=(ftp haproxy galera-health php1 php2 mariadb1 mariadb2 mariadb3)

cluster_conf() {
    # shellcheck disable=SC1091
    [ -f "$dir/cluster.conf" ] && . "$dir/cluster.conf"
}

node_socket() { echo "$dir/run/mariadb$1.sock"; }

node_root() { # n sql-client-args...
    local n=$1
    shift
    mariadb --no-defaults --socket="$(node_socket "$n")" -uroot "$@"
}

# The helpers the nodes and HAProxy run, written into DIR/bin.
write_cluster_helpers() {
    mkdir -p "$dir/bin/sst"
    # The rsync daemon of a state transfer, started as root, would switch to
    # "nobody", who cannot write the joining node's data folder.
    cat >"$dir/bin/sst/rsync" <<'EOF'
#!/bin/sh
if [ "${1:-}" = "--daemon" ] && [ "$(id -u)" = 0 ]; then
    shift
    exec /usr/bin/rsync --daemon --dparam=uid=0 --dparam=gid=0 "$@"
fi
exec /usr/bin/rsync "$@"
EOF
    # The server puts its own bin folder first on the transfer script's PATH,
    # so the rsync above is brought in by a transfer method of our own name.
    cat >"$dir/bin/wsrep_sst_webhost_rsync" <<EOF
#!/bin/sh
PATH="$dir/bin/sst:\$PATH" exec /usr/bin/wsrep_sst_rsync "\$@"
EOF
    # A node takes queries only when it is synced with the primary component.
    cat >"$dir/bin/galera-check" <<EOF
#!/bin/sh
status=\$(mariadb --no-defaults --socket="$dir/run/mariadb\$1.sock" -uroot --batch \\
    --skip-column-names --connect-timeout=2 \\
    -e "SHOW GLOBAL STATUS WHERE Variable_name IN ('wsrep_local_state', 'wsrep_ready')" \\
    2>/dev/null) || exit 1
printf '%s\n' "\$status" | grep -q '^wsrep_local_state.4\$' &&
    printf '%s\n' "\$status" | grep -q '^wsrep_ready.ON\$'
EOF
    # The same over HTTP, one port per node, for HAProxy's health checks. A
    # check HAProxy ran itself would fork it, and its children then hold on
    # to connections to the web servers, which break under load.
    cat >"$dir/bin/galera-health" <<EOF
#!$py
import http.server, subprocess, sys, threading

class Check(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        ok = subprocess.run(["$dir/bin/galera-check", self.server.node]).returncode == 0
        self.send_response(200 if ok else 503)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass

servers = []
for pair in sys.argv[1:]:
    port, node = pair.split(":")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", int(port)), Check)
    server.node = node
    servers.append(server)
for server in servers[1:]:
    threading.Thread(target=server.serve_forever, daemon=True).start()
servers[0].serve_forever()
EOF
    chmod 755 "$dir/bin/sst/rsync" "$dir/bin/wsrep_sst_webhost_rsync" "$dir/bin/galera-check" \
        "$dir/bin/galera-health"
}

# Where a node stopped in the cluster's history: "uuid:seqno". A node that
# shut down cleanly wrote it into grastate.dat; after a crash the server
# recovers it from its own logs. Empty when nothing is known.
node_position() { # n
    local n=$1 uuid seqno
    uuid=$(sed -n 's/^uuid:[[:space:]]*//p' "$dir/node$n/grastate.dat" 2>/dev/null)
    seqno=$(sed -n 's/^seqno:[[:space:]]*//p' "$dir/node$n/grastate.dat" 2>/dev/null)
    if [ "${seqno:--1}" != "-1" ]; then
        echo "$uuid:$seqno"
        return
    fi
    [ -d "$dir/node$n/mysql" ] || return 0
    mariadbd --no-defaults --datadir="$dir/node$n" --user="$(id -un)" \
        --log-error="$dir/log/recover$n.log" --innodb-log-file-size=8M \
        --socket="$dir/run/recover$n.sock" --skip-networking \
        --wsrep-on=ON --wsrep-provider=/usr/lib/galera/libgalera_smm.so \
        --wsrep-cluster-address=gcomm:// --binlog-format=ROW --wsrep-recover >/dev/null 2>&1 || true
    sed -n 's/.*WSREP: Recovered position: *\([^ ]*:-\{0,1\}[0-9][0-9]*\).*/\1/p' \
        "$dir/log/recover$n.log" 2>/dev/null | tail -n 1
}

# The position's seqno, -1 when nothing is known.
node_seqno() { # n
    local position
    position=$(node_position "$1")
    echo "${position:+${position##*:}}" | sed 's/^$/-1/'
}

start_node() { # n [--wsrep-new-cluster]
    local n=$1 port galera ist sst peers="" i position
    shift
    cluster_conf
    # A node that was killed starts from the position it recovers, so the
    # others send it only what it missed (IST) rather than all the data.
    if [ -f "$dir/node$n/grastate.dat" ]; then
        position=$(node_position "$n")
        [ -z "$position" ] || [ "${position##*:}" = "-1" ] ||
            set -- "$@" --wsrep-start-position="$position"
    fi
    port=node${n}_port galera=node${n}_galera ist=node${n}_ist sst=node${n}_sst
    for i in $(seq 1 $cluster_nodes); do
        local g=node${i}_galera
        peers+="${peers:+,}127.0.0.1:${!g}"
    done
    mkdir -p "$dir/node$n" "$dir/tmp/node$n"
    PATH="$dir/bin:$PATH" launch "mariadb$n" mariadbd --no-defaults --datadir="$dir/node$n" \
        --user="$(id -un)" --socket="$(node_socket "$n")" --pid-file="$dir/run/mariadb$n.pid" \
        --port="${!port}" --bind-address=127.0.0.1 --skip-name-resolve \
        --log-error="$dir/log/mariadb$n.log" --tmpdir="$dir/tmp/node$n" \
        --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
        --innodb-buffer-pool-size=32M --innodb-log-file-size=8M \
        --performance-schema=OFF --max-allowed-packet=64M --skip-log-bin \
        --binlog-format=ROW --default-storage-engine=InnoDB --innodb-autoinc-lock-mode=2 \
        --wsrep-on=ON --wsrep-provider=/usr/lib/galera/libgalera_smm.so \
        --wsrep-cluster-name=corvanta --wsrep-node-name="node$n" \
        --wsrep-cluster-address="gcomm://$peers" --wsrep-node-address="127.0.0.1:${!galera}" \
        --wsrep-provider-options="gmcast.listen_addr=tcp://127.0.0.1:${!galera};ist.recv_addr=127.0.0.1:${!ist};gcache.size=32M" \
        --wsrep-sst-method=webhost_rsync --wsrep-sst-receive-address="127.0.0.1:${!sst}" "$@"
    # A state transfer from a busy donor takes a while on two cores.
    wait_for "mariadb$n" 240 "$dir/bin/galera-check" "$n"
}

write_haproxy_cfg() { # db-port web-port
    cluster_conf
    local n
    {
        cat <<EOF
# The providers' load balancers: one address for the database, one for the site.
global
    maxconn 4096
    stats socket $dir/run/haproxy.sock mode 600 level admin
    log stdout format raw local0 info

defaults
    log global
    timeout connect 3s
    timeout client 150s
    timeout server 150s
    timeout queue 60s
    retries 3
    option redispatch

listen database
    mode tcp
    option tcplog
    bind 127.0.0.1:$1
    balance roundrobin
    option httpchk GET /
    default-server inter 1s fastinter 500ms downinter 1s fall 2 rise 2 on-marked-down shutdown-sessions
EOF
        for n in $(seq 1 $cluster_nodes); do
            local p=node${n}_port h=node${n}_health
            echo "    server node$n 127.0.0.1:${!p} check port ${!h}"
        done
        cat <<EOF

listen web
    mode http
    option httplog
    log-format "%ci:%cp [%tr] %ft %b/%s %bi:%bp %TR/%Tw/%Tc/%Tr/%Ta %ST %B %tsc %ac/%fc/%bc/%sc/%rc %sq/%bq %{+Q}r"
    bind 127.0.0.1:$2
    balance roundrobin
    option http-server-close
    # A request that finds a PHP server gone goes on to the other one: at
    # once when the connection is refused, and for a read also when the
    # server died before it answered. A write is never sent twice.
    option redispatch 1
    retry-on conn-failure empty-response
    http-request disable-l7-retry unless METH_GET
    # The site tells visitors apart by their address, not the balancer's.
    option forwardfor
    timeout http-request 30s
    http-response set-header X-Served-By %[srv_name]
    # A refused connection marks the server down at once, before its check.
    default-server inter 500ms fastinter 250ms downinter 500ms fall 2 rise 2 maxconn 4 observe layer4 error-limit 1 on-error mark-down
    server web1 127.0.0.1:$web1_port check
    server web2 127.0.0.1:$web2_port check
EOF
    } >"$dir/haproxy.cfg"
}

start_health() {
    cluster_conf
    local n pairs=()
    for n in $(seq 1 $cluster_nodes); do
        local h=node${n}_health
        pairs+=("${!h}:$n")
    done
    launch galera-health "$dir/bin/galera-health" "${pairs[@]}"
    wait_for galera-health 30 curl -s -o /dev/null --noproxy '*' --max-time 5 \
        "http://127.0.0.1:${node1_health}/"
}

start_haproxy() { # db-port web-port
    write_haproxy_cfg "$1" "$2"
    haproxy -c -q -f "$dir/haproxy.cfg" >>"$dir/log/haproxy.out" 2>&1 || return 1
    launch haproxy haproxy -db -f "$dir/haproxy.cfg"
    wait_for haproxy 30 curl -s -o /dev/null --noproxy '*' --max-time 2 "http://127.0.0.1:$2/" &&
        wait_for haproxy 30 lb_all_up database
}

# What HAProxy thinks of its servers: "NAME STATUS" lines of one proxy.
lb_status() { # proxy
    "$py" - "$dir/run/haproxy.sock" "$1" <<'EOF'
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall(b"show stat\n")
data = b""
while True:
    chunk = s.recv(65536)
    if not chunk:
        break
    data += chunk
for line in data.decode().splitlines():
    f = line.split(",")
    if len(f) > 17 and f[0] == sys.argv[2] and f[1] not in ("FRONTEND", "BACKEND"):
        print(f[1], f[17])
EOF
}

lb_all_up() { # proxy
    local status
    status=$(lb_status "$1") || return 1
    [ -n "$status" ] && ! printf '%s\n' "$status" | grep -qv ' UP$'
}

lb_server_up() { # proxy server
    lb_status "$1" 2>/dev/null | grep -qx "$2 UP"
}

start_php_server() { # name port
    PHP_CLI_SERVER_WORKERS=4 launch "$1" php -c "$dir/php.ini" -S "127.0.0.1:$2" -t "$dir/www" "$dir/bin/router.php"
    wait_for "$1" 30 curl -s -o /dev/null --noproxy '*' --max-time 2 "http://127.0.0.1:$2/"
}

cmd_start_cluster() { # owner
    local owner=$1 name n
    for name in mariadb php nginx ftps vsftpd sshd "${cluster_servers[@]}"; do
        if alive "$name"; then
            echo "webhost: already running in $dir" >&2
            exit 1
        fi
    done
    mkdir -p "$dir"/{www,mail,log,run,bin,tmp}
    write_php_ini
    write_cluster_helpers

    local db=corvanta dbuser=corvanta dbpass ftpuser=corvanta ftppass
    dbpass=$(random_secret)
    ftppass=$(random_secret)
    local ports
    read -r -a ports <<<"$(free_ports $((cluster_nodes * 5 + 4)))"
    {
        for n in $(seq 1 $cluster_nodes); do
            local i=$(((n - 1) * 5))
            echo "node${n}_port=${ports[i]} node${n}_galera=${ports[i + 1]}" \
                "node${n}_ist=${ports[i + 2]} node${n}_sst=${ports[i + 3]}" \
                "node${n}_health=${ports[i + 4]}"
        done
        local w=$((cluster_nodes * 5))
        echo "web1_port=${ports[w]} web2_port=${ports[w + 1]}"
        echo "db_port=${ports[w + 2]} http_port=${ports[w + 3]}"
    } >"$dir/cluster.conf"

    # The first node founds the cluster: after a stop, the one that holds the
    # latest state, so that the others catch up with it and lose nothing.
    local first=1 best=-2 seqno
    for n in $(seq 1 $cluster_nodes); do
        [ -d "$dir/node$n/mysql" ] || continue
        seqno=$(node_seqno "$n")
        if [ "$seqno" -gt "$best" ]; then
            best=$seqno
            first=$n
        fi
    done
    if [ ! -d "$dir/node$first/mysql" ]; then
        # Its own temporary folder: hosts started at once must not share one.
        TMPDIR="$dir/tmp" mariadb-install-db --no-defaults --datadir="$dir/node$first" --user="$(id -un)" \
            --tmpdir="$dir/tmp" \
            --auth-root-authentication-method=normal --skip-test-db --skip-name-resolve \
            --innodb-log-file-size=8M >>"$dir/log/install-db.out" 2>&1 ||
            fail "mariadb-install-db failed, see $dir/log/install-db.out"
    fi
    [ ! -f "$dir/node$first/grastate.dat" ] ||
        sed -i 's/^safe_to_bootstrap:.*/safe_to_bootstrap: 1/' "$dir/node$first/grastate.dat"
    start_node "$first" --wsrep-new-cluster ||
        fail "the first database node did not start, see $dir/log/mariadb$first.log"
    node_root "$first" <<EOF || fail "cannot create the database and its user"
CREATE DATABASE IF NOT EXISTS $db CHARACTER SET utf8mb4;
CREATE OR REPLACE USER '$dbuser'@'%' IDENTIFIED BY '$dbpass';
GRANT ALL PRIVILEGES ON $db.* TO '$dbuser'@'%';
EOF
    # The others join together; each receives the data by a state transfer.
    local joiners=()
    for n in $(seq 1 $cluster_nodes); do
        [ "$n" = "$first" ] || joiners+=("$n")
    done
    for n in "${joiners[@]}"; do
        start_node "$n" >/dev/null 2>&1 &
        eval "join_$n=$!"
    done
    for n in "${joiners[@]}"; do
        local pid=join_$n
        wait "${!pid}" || fail "database node $n did not join, see $dir/log/mariadb$n.log"
    done

    cluster_conf
    start_php_server php1 "$web1_port" || fail "PHP did not start, see $dir/log/php1.out"
    start_php_server php2 "$web2_port" || fail "PHP did not start, see $dir/log/php2.out"
    start_health || fail "the database health check did not start, see $dir/log/galera-health.out"
    start_haproxy "$db_port" "$http_port" || fail "HAProxy did not start, see $dir/log/haproxy.out"
    local fport
    fport=$(start_retrying ftp start_ftp "$ftpuser" "$ftppass") ||
        fail "the FTP server did not start, see $dir/log/ftp.out"

    cat >"$dir/env.tmp" <<EOF
URL=http://127.0.0.1:$http_port/
HTTP_PORT=$http_port
FTP_HOST=127.0.0.1
FTP_PORT=$fport
FTP_SERVER=127.0.0.1:$fport
FTP_USER=$ftpuser
FTP_PASSWORD=$ftppass
DOCUMENT_ROOT=$dir/www
MYSQL_SERVER=127.0.0.1:$db_port
MYSQL_HOST=127.0.0.1
MYSQL_PORT=$db_port
MYSQL_DATABASE=$db
MYSQL_USER=$dbuser
MYSQL_PASSWORD=$dbpass
MYSQL_SOCKET=$(node_socket 1)
MAIL_DIR=$dir/mail
PHP_ERROR_LOG=$dir/log/php-errors.log
CLUSTER_NODES=$cluster_nodes
WEB_SERVERS=web1 web2
TRUSTED_PROXIES=127.0.0.1
EOF
    for n in $(seq 1 $cluster_nodes); do
        local p=node${n}_port
        echo "NODE${n}_SOCKET=$(node_socket "$n")"
        echo "NODE${n}_PORT=${!p}"
    done >>"$dir/env.tmp"
    echo "WEB1_URL=http://127.0.0.1:$web1_port/" >>"$dir/env.tmp"
    echo "WEB2_URL=http://127.0.0.1:$web2_port/" >>"$dir/env.tmp"
    mv "$dir/env.tmp" "$dir/env"
    start_watchdog "$owner"
    echo "webhost: cluster running in $dir ($(sed -n 's/^URL=//p' "$dir/env"))" >&2
}

# webhost node DIR N stop|kill|start: one database node leaves (kill: as in
# a crash) or rejoins; start returns when the node is synced and the load
# balancer sends it queries.
cmd_node() { # n action
    local n=$1 action=$2
    [ -f "$dir/cluster.conf" ] && [ -f "$dir/env" ] || {
        echo "webhost: no cluster running in $dir" >&2
        exit 1
    }
    case $n in
    [1-9]) [ "$n" -le "$cluster_nodes" ] || usage ;;
    *) usage ;;
    esac
    case $action in
    stop) stop_all "mariadb$n" ;;
    kill)
        # A crash: no shutdown, nothing saved.
        if [ -f "$dir/run/mariadb$n.pgid" ]; then
            local pgid i
            pgid=$(cat "$dir/run/mariadb$n.pgid")
            kill -KILL -- "-$pgid" 2>/dev/null || true
            for i in $(seq 1 100); do
                kill -0 -- "-$pgid" 2>/dev/null || break
                sleep 0.1
            done
            rm -f "$dir/run/mariadb$n.pgid"
        fi
        ;;
    start)
        if ! alive "mariadb$n"; then
            start_node "$n" || {
                echo "webhost: database node $n did not rejoin, see $dir/log/mariadb$n.log" >&2
                exit 1
            }
        fi
        wait_for haproxy 30 lb_server_up database "node$n" || {
            echo "webhost: the load balancer does not take node $n back" >&2
            exit 1
        }
        ;;
    *) usage ;;
    esac
}

# webhost stop-server|start-server DIR php|php1|php2 on a cluster: "php" is
# every PHP server, phpN one of them. start returns when the balancer sends
# the server requests again.
cmd_cluster_php() { # stop|start name
    local what=$1 names=() name port
    case $2 in
    php) names=(php1 php2) ;;
    php1 | php2) names=("$2") ;;
    *) usage ;;
    esac
    cluster_conf
    if [ "$what" = stop ]; then
        stop_all "${names[@]}"
        return
    fi
    for name in "${names[@]}"; do
        port=web${name#php}_port
        alive "$name" || start_php_server "$name" "${!port}" || {
            echo "webhost: PHP server $name did not start again, see $dir/log/$name.out" >&2
            exit 1
        }
    done
    for name in "${names[@]}"; do
        wait_for haproxy 30 lb_server_up web "web${name#php}" || {
            echo "webhost: the load balancer does not take web${name#php} back" >&2
            exit 1
        }
    done
}

# The first node leaves last, so it keeps the latest state for the next start.
stop_cluster() {
    stop_all haproxy galera-health php1 php2 mariadb2 mariadb3
    stop_all mariadb1
    rm -f "$dir/run/haproxy.sock"
}
