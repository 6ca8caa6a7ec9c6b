#!/usr/bin/env bash
# A test bed of network namespaces: PCs on a switch, a router with NAT, a proxy host.
# Needs root (iproute2, tc and nft). It never touches this machine's own interfaces,
# routes or sysctls: every link, address, qdisc, rule and sysctl lives inside the
# namespaces it makes, which all start with PREFIX.
#
#   netbed.sh up TOPOLOGY [--rate MBIT] [--prefix PREFIX]
#       makes the topology and prints, per host, how to run a program on it; on any
#       failure it removes what it made
#   netbed.sh down PREFIX          removes every namespace whose name starts with PREFIX
#   netbed.sh exec PREFIX HOST COMMAND...
#       runs COMMAND on HOST (ip netns exec PREFIX-HOST COMMAND...)
#   netbed.sh run TOPOLOGY [--rate MBIT] -- COMMAND...
#       makes the topology, runs COMMAND with NETBED_PREFIX set, then removes it (also
#       when COMMAND fails or the script is interrupted)
#
# Topologies (addresses /24; MBIT shapes every link of a PC, both directions):
#   lan  pc1 192.168.77.2 and pc2 192.168.77.3 on one switch; IPv6 unique local
#        addresses fd77::2 and fd77::3 (/64) beside them
#   wan  open 198.18.0.2 and proxy 198.18.0.3 on the outside switch; router
#        198.18.0.1 outside, 192.168.88.1 inside, masquerading; closed 192.168.88.2
#        behind it; open and proxy also 2001:db8::2 and 2001:db8::3 (/64, global
#        looking IPv6 from the documentation range)
set -euo pipefail

NETBED_MADE=

die() {
    echo "netbed: $*" >&2
    exit 1
}

ns_list() {
    ip netns list 2>/dev/null | awk '{print $1}' | grep -F -- "$1" | grep -- "^$1" || true
}

netbed_down() {
    local prefix=$1 ns
    [ -n "$prefix" ] || die "empty prefix"
    for ns in $(ns_list "$prefix"); do
        ip netns del "$ns" 2>/dev/null || true
    done
}

make_host() {
    ip netns add "$PREFIX-$1"
    NETBED_MADE=$PREFIX
    ip -n "$PREFIX-$1" link set lo up
}

# link HOST IFNAME ADDRESS/24 SWITCH_HOST PORT: a veth from HOST into the switch.
link_to_switch() {
    local host=$1 ifname=$2 address=$3 switch=$4 port=$5
    ip link add "$ifname" netns "$PREFIX-$host" type veth peer name "$port" netns "$PREFIX-$switch"
    ip -n "$PREFIX-$host" addr add "$address" dev "$ifname"
    ip -n "$PREFIX-$host" link set "$ifname" up
    ip -n "$PREFIX-$switch" link set "$port" master br0 up
}

# add_ipv6 HOST IFNAME ADDRESS/64: IPv6 on, inside the host's namespace only, and an
# address usable at once (nodad: no duplicate address detection to wait for).
add_ipv6() {
    local host=$1 ifname=$2 address=$3
    ip netns exec "$PREFIX-$host" sysctl -qw net.ipv6.conf.all.disable_ipv6=0 \
        "net.ipv6.conf.$ifname.disable_ipv6=0"
    ip -n "$PREFIX-$host" -6 addr add "$address" dev "$ifname" nodad
}

make_switch() {
    make_host "$1"
    ip -n "$PREFIX-$1" link add br0 type bridge
    ip -n "$PREFIX-$1" link set br0 up
}

# Shapes what HOST sends on IFNAME to MBIT Mbit/s: a token bucket with a burst of
# 4 ms at that rate (at least 64 KiB, so that offloaded segments pass whole) and a
# queue of 50 ms at that rate (at least 256 KiB).
shape() {
    local host=$1 ifname=$2 mbit=$3
    [ -n "$mbit" ] || return 0
    local burst=$((mbit * 1000000 / 8 / 250)) limit=$((mbit * 1000000 / 8 / 20))
    [ "$burst" -ge 65536 ] || burst=65536
    [ "$limit" -ge 262144 ] || limit=262144
    tc -n "$PREFIX-$host" qdisc add dev "$ifname" root tbf rate "${mbit}mbit" burst "$burst" \
        limit "$limit"
}

up_lan() {
    make_switch sw
    make_host pc1
    make_host pc2
    link_to_switch pc1 eth0 192.168.77.2/24 sw p1
    link_to_switch pc2 eth0 192.168.77.3/24 sw p2
    add_ipv6 pc1 eth0 fd77::2/64
    add_ipv6 pc2 eth0 fd77::3/64
    shape pc1 eth0 "$RATE"
    shape pc2 eth0 "$RATE"
    HOSTS="pc1=192.168.77.2,fd77::2 pc2=192.168.77.3,fd77::3"
}

up_wan() {
    make_switch sw
    make_host open
    make_host proxy
    make_host router
    make_host closed
    link_to_switch open eth0 198.18.0.2/24 sw p1
    link_to_switch proxy eth0 198.18.0.3/24 sw p2
    link_to_switch router out 198.18.0.1/24 sw p3
    add_ipv6 open eth0 2001:db8::2/64
    add_ipv6 proxy eth0 2001:db8::3/64
    ip link add in netns "$PREFIX-router" type veth peer name eth0 netns "$PREFIX-closed"
    ip -n "$PREFIX-router" addr add 192.168.88.1/24 dev in
    ip -n "$PREFIX-router" link set in up
    ip -n "$PREFIX-closed" addr add 192.168.88.2/24 dev eth0
    ip -n "$PREFIX-closed" link set eth0 up
    ip -n "$PREFIX-closed" route add default via 192.168.88.1
    ip netns exec "$PREFIX-router" sysctl -qw net.ipv4.ip_forward=1
    ip netns exec "$PREFIX-router" nft -f - <<'EOF'
table ip nat {
    chain postrouting {
        type nat hook postrouting priority srcnat; policy accept;
        oifname "out" masquerade
    }
}
EOF
    shape open eth0 "$RATE"
    shape router out "$RATE"
    shape router in "$RATE"
    HOSTS="open=198.18.0.2,2001:db8::2 proxy=198.18.0.3,2001:db8::3 router=198.18.0.1,192.168.88.1 closed=192.168.88.2"
}

netbed_up() {
    [ "$(id -u)" -eq 0 ] || die "needs root (network namespaces)"
    [ -z "$(ns_list "$PREFIX")" ] || die "namespaces $PREFIX-* exist already"
    trap 'if [ -n "$NETBED_MADE" ]; then netbed_down "$NETBED_MADE"; fi' EXIT
    case $TOPOLOGY in
        lan) up_lan ;;
        wan) up_wan ;;
        *) die "unknown topology '$TOPOLOGY' (lan, wan)" ;;
    esac
    trap - EXIT
    echo "NETBED_PREFIX=$PREFIX"
    local entry
    for entry in $HOSTS; do
        echo "host ${entry%%=*} ${entry#*=}: ip netns exec $PREFIX-${entry%%=*} COMMAND"
    done
}

parse_up_options() {
    TOPOLOGY=${1:-}
    shift || true
    RATE=
    PREFIX=qvnb$$
    while [ $# -gt 0 ]; do
        case $1 in
            --rate) RATE=${2:-}; shift 2 ;;
            --prefix) PREFIX=${2:-}; shift 2 ;;
            --) shift; break ;;
            *) die "unknown option '$1'" ;;
        esac
    done
    REST=("$@")
    [[ -z "$RATE" || "$RATE" =~ ^[1-9][0-9]{0,5}$ ]] || die "rate must be whole Mbit/s"
    [[ "$PREFIX" =~ ^[A-Za-z0-9_.-]{3,40}$ ]] || die "prefix: 3 to 40 of A-Z a-z 0-9 _ . -"
}

case ${1:-} in
    up)
        shift
        parse_up_options "$@"
        netbed_up
        ;;
    down)
        [ $# -eq 2 ] || die "usage: netbed.sh down PREFIX"
        [[ "$2" =~ ^[A-Za-z0-9_.-]{3,40}$ ]] || die "bad prefix '$2'"
        netbed_down "$2"
        ;;
    exec)
        [ $# -ge 4 ] || die "usage: netbed.sh exec PREFIX HOST COMMAND..."
        ns=$2-$3
        shift 3
        exec ip netns exec "$ns" "$@"
        ;;
    run)
        shift
        parse_up_options "$@"
        [ ${#REST[@]} -gt 0 ] || die "usage: netbed.sh run TOPOLOGY [--rate MBIT] -- COMMAND..."
        trap 'netbed_down "$PREFIX"' EXIT
        trap 'exit 130' INT TERM
        netbed_up >/dev/null
        trap 'netbed_down "$PREFIX"' EXIT
        NETBED_PREFIX=$PREFIX "${REST[@]}"
        ;;
    *)
        sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
esac
