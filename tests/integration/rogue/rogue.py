#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A machine that lies on the link: NetBIOS, DNS-SD and WS-Discovery
answerers for the hostile lab, standard library only.

  rogue.py --address A [--nbt] [--mdns NAME=ADDR ...] [--mdns-spread SECONDS]
           [--wsd-resolve ENDPOINT] [--wsd-fake ADDR ...] [--wsd-name NAME]
           [--dns NAME=ADDR[,ADDR...] ...] [--ready FILE] [--log FILE]

--nbt            every NetBIOS name query gets A as the answer
--mdns           a query for _smb._tcp.local gets these services (one per
                 NAME, at ADDR); with --mdns-spread they come a few at a
                 time over that many seconds instead of at once
--wsd-resolve    a Resolve for ENDPOINT (another machine's) gets a
                 ResolveMatch naming A as its transport address, and A's
                 metadata says it is --wsd-name
--wsd-fake       a Probe gets one ProbeMatch from each of these (local)
                 addresses, each a computer of its own (FAKEnnnn)
--dns            a unicast DNS server on port 53: the n-th A query for NAME
                 gets the n-th ADDR of its list (the last one from then on);
                 other names and types get an empty answer
"""
import argparse
import http.server
import socket
import socketserver
import struct
import sys
import threading
import time
import uuid

WSD_GROUP, WSD_PORT = "239.255.255.250", 3702
MDNS_GROUP, MDNS_PORT = "224.0.0.251", 5353
PUB = "http://schemas.microsoft.com/windows/pub/2005/07"

log_lock = threading.Lock()
log_file = None


def log(*words):
    with log_lock:
        print(*words, file=log_file, flush=True)


# --- NetBIOS name service -------------------------------------------------

def nbt_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.bind(("0.0.0.0", 137))
    return s


def nbt_answerer(s, address):
    own = socket.inet_aton(address)
    while True:
        data, peer = s.recvfrom(1500)
        if len(data) < 12 + 34 + 4:
            continue
        ident, flags, qd = struct.unpack(">HHH", data[:6])
        if flags & 0x8000 or (flags >> 11) & 0xF or qd != 1:
            continue
        name = data[12:12 + 34]
        qtype, qclass = struct.unpack(">HH", data[46:50])
        if qtype != 0x20:
            continue
        answer = struct.pack(">HHHHHH", ident, 0x8500, 0, 1, 0, 0) + name
        answer += struct.pack(">HHIH", 0x20, 1, 300, 6) + struct.pack(">H", 0) + own
        s.sendto(answer, peer)
        log("nbt answered", decode_nbt(name), "with", address, "to", peer[0])


def decode_nbt(encoded):
    raw = encoded[1:33]
    chars = bytes(((raw[i] - 0x41) << 4) | (raw[i + 1] - 0x41) for i in range(0, 32, 2))
    return chars[:15].decode("latin-1").rstrip() + "<%02x>" % chars[15]


# --- DNS-SD ----------------------------------------------------------------

def dns_name(text):
    out = b""
    for label in text.rstrip(".").split("."):
        out += bytes([len(label)]) + label.encode()
    return out + b"\0"


def record(name, rtype, rdata, ttl=120):
    return dns_name(name) + struct.pack(">HHIH", rtype, 1, ttl, len(rdata)) + rdata


def dns_question(data):
    """(name, type, end of the question) of a query's first question."""
    labels, at = [], 12
    while at < len(data) and data[at]:
        labels.append(data[at + 1:at + 1 + data[at]].decode("latin-1"))
        at += 1 + data[at]
    qtype = struct.unpack(">H", data[at + 1:at + 3])[0] if at + 5 <= len(data) else 0
    return ".".join(labels).lower(), qtype, at + 5


def dns_answerer(s, answers):
    asked = {}
    while True:
        data, peer = s.recvfrom(1500)
        if len(data) < 17 or data[2] & 0x80:
            continue
        ident = struct.unpack(">H", data[:2])[0]
        name, qtype, end = dns_question(data)
        question = data[12:end]
        reply = struct.pack(">HHHHHH", ident, 0x8180, 1, 0, 0, 0) + question
        if qtype == 1 and name in answers:
            sequence = answers[name]
            address = sequence[min(asked.get(name, 0), len(sequence) - 1)]
            asked[name] = asked.get(name, 0) + 1
            reply = struct.pack(">HHHHHH", ident, 0x8180, 1, 1, 0, 0) + question
            reply += b"\xc0\x0c" + struct.pack(">HHIH", 1, 1, 0, 4) + socket.inet_aton(address)
            log("dns answered", name, "with", address, "to", peer[0])
        s.sendto(reply, peer)


def mdns_reply(ident, services):
    records = []
    for host, address in services:
        instance = "%s._smb._tcp.local" % host.split(".")[0]
        records.append(record("_smb._tcp.local", 12, dns_name(instance)))
        records.append(record(instance, 33, struct.pack(">HHH", 0, 0, 445) + dns_name(host)))
        records.append(record(host, 1, socket.inet_aton(address)))
    # Answers only; the client reads A and SRV from the same section.
    return struct.pack(">HHHHHH", ident, 0x8400, 0, len(records), 0, 0) + b"".join(records)


def asks_for_smb(data):
    qd = struct.unpack(">H", data[4:6])[0]
    at = 12
    for _ in range(qd):
        labels = []
        while at < len(data) and data[at] != 0:
            n = data[at]
            if n & 0xC0:
                return False
            labels.append(data[at + 1:at + 1 + n].decode("latin-1").lower())
            at += 1 + n
        at += 5
        if labels == ["_smb", "_tcp", "local"]:
            return True
    return False


def multicast_socket(address, group, port):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("0.0.0.0", port))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, socket.inet_aton(group) + socket.inet_aton(address))
    return s


def mdns_answerer(s, services, spread):
    while True:
        data, peer = s.recvfrom(9000)
        if len(data) < 12 or data[2] & 0x80 or not asks_for_smb(data):
            continue
        ident = struct.unpack(">H", data[:2])[0]
        log("mdns query from", peer[0], "answered with", len(services), "names")
        threading.Thread(target=mdns_send, args=(s, ident, peer, services, spread), daemon=True).start()


def mdns_send(s, ident, peer, services, spread):
    batch = 20 if not spread else 1
    batches = [services[i:i + batch] for i in range(0, len(services), batch)]
    for i, part in enumerate(batches):
        if spread and i:
            time.sleep(spread / len(batches))
        s.sendto(mdns_reply(ident, part), peer)


# --- WS-Discovery ----------------------------------------------------------

def envelope(action, relates, body):
    return ('<?xml version="1.0" encoding="utf-8"?>'
            '<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"'
            ' xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing"'
            ' xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery"'
            ' xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof"'
            ' xmlns:pub="%s">'
            '<soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>'
            '<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/%s</wsa:Action>'
            '<wsa:MessageID>urn:uuid:%s</wsa:MessageID><wsa:RelatesTo>%s</wsa:RelatesTo></soap:Header>'
            '<soap:Body>%s</soap:Body></soap:Envelope>' % (PUB, action, uuid.uuid4(), relates, body)).encode()


def match(kind, endpoint, xaddr):
    return ('<wsd:%s><wsa:EndpointReference><wsa:Address>%s</wsa:Address></wsa:EndpointReference>'
            '<wsd:Types>wsdp:Device pub:Computer</wsd:Types>%s<wsd:MetadataVersion>1</wsd:MetadataVersion>'
            '</wsd:%s>' % (kind, endpoint, ("<wsd:XAddrs>%s</wsd:XAddrs>" % xaddr) if xaddr else "", kind))


def text_of(data, tag):
    start = data.find(tag)
    if start < 0:
        return ""
    start = data.find(">", start) + 1
    return data[start:data.find("<", start)].strip()


FAKE_IDS = {}


def fake_endpoint(address):
    return FAKE_IDS.setdefault(address, "urn:uuid:%s" % uuid.uuid4())


def wsd_answerer(s, address, resolve_endpoint, fakes):
    while True:
        data, peer = s.recvfrom(65536)
        text = data.decode("utf-8", "replace")
        message = text_of(text, "MessageID>")
        if "/discovery/Resolve<" in text and resolve_endpoint:
            wanted = text_of(text, "Address>")
            if wanted != resolve_endpoint:
                continue
            reply = envelope("ResolveMatches", message,
                             "<wsd:ResolveMatches>%s</wsd:ResolveMatches>"
                             % match("ResolveMatch", resolve_endpoint, "http://%s:5357/%s" % (address, uuid.uuid4())))
            s.sendto(reply, peer)
            log("wsd resolve for", wanted, "answered with", address, "to", peer[0])
        elif "/discovery/Probe<" in text and fakes:
            threading.Thread(target=wsd_fakes, args=(message, peer, fakes), daemon=True).start()


def wsd_fakes(message, peer, fakes):
    for address in fakes:
        endpoint = fake_endpoint(address)
        reply = envelope("ProbeMatches", message, "<wsd:ProbeMatches>%s</wsd:ProbeMatches>"
                         % match("ProbeMatch", endpoint, "http://%s:5357/%s" % (address, endpoint[9:])))
        one = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            one.bind((address, 0))
            one.sendto(reply, peer)
        except OSError:
            pass
        finally:
            one.close()
    log("wsd probe from", peer[0], "answered from", len(fakes), "fake endpoints")


class Metadata(http.server.BaseHTTPRequestHandler):
    names = {}

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.rfile.read(length)
        local = self.connection.getsockname()[0]
        name = self.names.get(local) or "FAKE%s" % local.replace(".", "-")
        body = ('<?xml version="1.0" encoding="utf-8"?><soap:Envelope'
                ' xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:pub="%s"><soap:Body>'
                '<pub:Computer>%s/Workgroup:LAB</pub:Computer></soap:Body></soap:Envelope>' % (PUB, name)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/soap+xml")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        log("metadata asked at", local, "by", self.client_address[0], "said", name)

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 256


def main():
    global log_file
    p = argparse.ArgumentParser()
    p.add_argument("--address", required=True)
    p.add_argument("--nbt", action="store_true")
    p.add_argument("--mdns", nargs="*", default=[])
    p.add_argument("--mdns-spread", type=float, default=0)
    p.add_argument("--wsd-resolve", default="")
    p.add_argument("--wsd-name", default="")
    p.add_argument("--wsd-fake", nargs="*", default=[])
    p.add_argument("--dns", nargs="*", default=[])
    p.add_argument("--ready")
    p.add_argument("--log")
    a = p.parse_args()
    log_file = open(a.log, "a") if a.log else sys.stdout
    workers = []
    if a.nbt:
        workers.append((nbt_answerer, (nbt_socket(), a.address)))
    if a.dns:
        answers = {}
        for item in a.dns:
            name, addresses = item.split("=", 1)
            answers[name.lower()] = addresses.split(",")
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(("0.0.0.0", 53))
        workers.append((dns_answerer, (s, answers)))
    if a.mdns:
        services = [tuple(item.split("=", 1)) for item in a.mdns]
        s = multicast_socket(a.address, MDNS_GROUP, MDNS_PORT)
        workers.append((mdns_answerer, (s, services, a.mdns_spread)))
    if a.wsd_resolve or a.wsd_fake:
        s = multicast_socket(a.address, WSD_GROUP, WSD_PORT)
        workers.append((wsd_answerer, (s, a.address, a.wsd_resolve, a.wsd_fake)))
        if a.wsd_name:
            Metadata.names[a.address] = a.wsd_name
        server = Server(("0.0.0.0", 5357), Metadata)
        workers.append((server.serve_forever, ()))
    for target, args in workers:
        threading.Thread(target=target, args=args, daemon=True).start()
    if a.ready:
        with open(a.ready, "w") as f:
            f.write("ready\n")
    threading.Event().wait()


if __name__ == "__main__":
    main()
