# Sourced by ./run and bench/run-benchmarks: ser2net, the serial device
# server, in front of a device on a free loopback port, as a controller on the
# plant network. serve_on_network DEVICE sets server_pid and server_url (the
# address kvtcomm opens) once the server listens; the caller ends the server.
serve_on_network() {
    local device=$1 port listening
    # A port nobody listens on; what the system hands out at random starts higher.
    while :; do
        port=$((20000 + RANDOM % 12000))
        grep -q ":$(printf %04X "$port") " /proc/net/tcp || break
    done
    # "local": a pty has no modem lines to wait for.
    "$(command -v ser2net || echo /usr/sbin/ser2net)" -n -d -P "$(mktemp -d)/ser2net.pid" \
        -Y 'connection: &controller' \
        -Y "  accepter: telnet(rfc2217),tcp,127.0.0.1,$port" \
        -Y "  connector: serialdev,$device,9600n81,local" >/dev/null 2>&1 &
    server_pid=$!
    # The table of sockets tells without connecting, which would open the device.
    listening="0100007F:$(printf %04X "$port") 00000000:0000 0A"
    for _ in $(seq 100); do grep -q "$listening" /proc/net/tcp && break; sleep 0.1; done
    server_url="rfc2217://127.0.0.1:$port"
}
