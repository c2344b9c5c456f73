#!/usr/bin/python3
"""Runs SSH clients of other implementations against the agent on loopback.

run-interop.py --agent build/quor2 --work build/interop [--clients openssh,paramiko]
               [--keys RSA,RSA+Ed25519,RSA+Ed25519+ECDSA]

For each host key set (RSA; RSA and Ed25519; RSA, Ed25519 and ECDSA) it starts
the agent on a free port of 127.0.0.1 and ::1, and each client, over IPv4 and
IPv6, logs in, reads the greeting, lists the checks, runs CPU, logs out and
closes its input; it must then end by itself with exit status 0 and without
complaining that the agent dropped the connection. Every client is a process
that relays its standard input to the shell channel and the channel to its
standard output (the small ones here end with the session's exit status); the
exchange itself is driven here.
Each connection passes through a tap that reads both key exchange offers, which
travel in clear, and picks the algorithms the way RFC 4253 7.1 does: the first
of the client's names that the agent offers. Prints one row per client and key
set; exits 1 when a step failed, unless the row is one of NO_COMMON_HOST_KEY.
"""
import argparse
import os
import select
import signal
import socket
import struct
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
USER = "interop"
GREETING = b"#keycount=3#responseaction=login#sessionid=1#registrationlevel=standard#"
LIST = b"#keycount=3#sessionid=1#requestaction=listchecks#"
LISTING = (b"#keycount=6#responseaction=listchecks#sessionid=1#checkcount=1#checkid1=CPU#"
           b"checkdescription1=CPU Usage#available1=true#")
CPU_RUN = b'#keycount=5#sessionid=1#requestaction=runcheck#checkid=CPU#para="#Load Limit [%]=1000#"#'
CPU_UP = b"#keycount=5#responseaction=runcheck#sessionid=1#checkid=CPU#result=up#resultstring="
LOGOUT = b"#keycount=3#sessionid=1#requestaction=logout#"
STEPS = ["login", "greeting", "listchecks", "CPU run", "logout", "exit 0"]
# What clients print when the server drops the connection under them.
COMPLAINTS = [b"closed by remote host", b"FATAL ERROR", b"unexpectedly closed", b"Connection reset"]
FAMILIES = [("IPv4", "127.0.0.1", socket.AF_INET), ("IPv6", "::1", socket.AF_INET6)]
KEY_SETS = [("RSA", ["rsa"]), ("RSA+Ed25519", ["rsa", "ed25519"]),
            ("RSA+Ed25519+ECDSA", ["rsa", "ed25519", "ecdsa"])]
# Rows that cannot connect: libssh2 1.10 and JSch 0.1.55 check RSA host keys as
# ssh-rsa (SHA-1 signatures) only, which the agent rightly does not offer, and
# JSch knows no Ed25519. They fail with host key "none" without failing the run.
NO_COMMON_HOST_KEY = {("libssh2", "RSA"), ("jsch", "RSA"), ("jsch", "RSA+Ed25519")}
TIMEOUT = int(os.environ.get("INTEROP_TIMEOUT", "20"))


def openssh(pty):
    def argv(work, host, port):
        return ["sshpass", "-f", work + "/password", "ssh", "-F", "/dev/null", pty, "-p", str(port),
                "-o", "UserKnownHostsFile=/dev/null", "-o", "GlobalKnownHostsFile=/dev/null",
                "-o", "StrictHostKeyChecking=no", "-o", "PubkeyAuthentication=no",
                "-o", "LogLevel=ERROR", USER + "@" + host]
    return argv


def plink(work, host, port):
    host_keys = []
    for fingerprint in open(work + "/fingerprints").read().split():
        host_keys += ["-hostkey", fingerprint]
    return ["plink", "-ssh", "-batch", "-no-antispoof", "-T", "-P", str(port), "-l", USER,
            "-pwfile", work + "/password"] + host_keys + [host]


def dbclient(work, host, port):
    return ["sshpass", "-f", work + "/password", "dbclient", "-y", "-y", "-T", "-p", str(port),
            USER + "@" + host]


def program(*command):
    def argv(work, host, port):
        return [part.format(work=work) for part in command] + [host, str(port), USER,
                                                               work + "/password"]
    return argv


CLIENTS = {
    "openssh": ("OpenSSH ssh -T", openssh("-T")),
    "openssh-pty": ("OpenSSH ssh -tt (pty)", openssh("-tt")),
    "plink": ("PuTTY plink", plink),
    "dbclient": ("Dropbear dbclient", dbclient),
    "paramiko": ("paramiko", program(sys.executable, HERE + "/python_client.py", "paramiko")),
    "asyncssh": ("asyncssh", program(sys.executable, HERE + "/python_client.py", "asyncssh")),
    "libssh2": ("libssh2", program("{work}/libssh2_client")),
    "go": ("Go x/crypto/ssh", program("{work}/go_client")),
    "jsch": ("JSch (pty)", program("java", "-cp", "{work}:/usr/share/java/jsch.jar", "JschClient")),
}


def build(clients, work):
    """Compiles the client programs the chosen clients need into `work`."""
    steps = {
        "libssh2": ["gcc", "-Wall", "-Wextra", "-O2", "-o", work + "/libssh2_client",
                    HERE + "/libssh2_client.c", "-lssh2"],
        # Offline, from Debian's packaged sources.
        "go": ["go", "build", "-o", work + "/go_client", HERE + "/go_client.go"],
        "jsch": ["javac", "-cp", "/usr/share/java/jsch.jar", "-d", work, HERE + "/JschClient.java"],
    }
    env = dict(os.environ, GO111MODULE="off", GOPATH="/usr/share/gocode", GOFLAGS="",
               GOCACHE=work + "/gocache")
    for name in clients:
        if name in steps:
            subprocess.run(steps[name], check=True, env=env)


def listening(port):
    """Whether both loopback sockets of `port` listen, from /proc."""
    found = 0
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        with open(table) as lines:
            for line in list(lines)[1:]:
                fields = line.split()
                if fields[1].endswith(":%04X" % port) and fields[3] == "0A":
                    found += 1
                    break
    return found == 2


def free_port():
    while True:
        with socket.socket(socket.AF_INET) as v4:
            v4.bind(("127.0.0.1", 0))
            port = v4.getsockname()[1]
            try:
                with socket.socket(socket.AF_INET6) as v6:
                    v6.bind(("::1", port))
                    return port
            except OSError:
                continue


class Agent:
    """The agent on a free port of both loopback addresses with the given host keys."""

    def __init__(self, binary, work, keys):
        self.port = free_port()
        self.log_path = work + "/agent.log"
        names = {kind: ("ssh_host_%s_key" % kind if kind in keys else "absent")
                 for kind in ("rsa", "ed25519", "ecdsa")}
        ini = work + "/quor.ini"
        with open(os.open(ini, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as file:
            file.write("[agent]\nport = %d\nlisten = 127.0.0.1, ::1\nlog = %s\nloglevel = Debug\n"
                       "keyFolder = %s\nrsaKey = %s\ned25519Key = %s\necdsaKey = %s\nchecks = CPU\n"
                       "\n[password]\n%s = %s\n\n[firewall]\n%s = 127.0.0.1/32, ::1/128\n"
                       % (self.port, self.log_path, work, names["rsa"], names["ed25519"],
                          names["ecdsa"], USER, open(work + "/password").read().strip(), USER))
        open(self.log_path, "w").close()
        self.process = subprocess.Popen([binary, ini], stdin=subprocess.DEVNULL)
        deadline = time.time() + 30
        while not listening(self.port):
            if self.process.poll() is not None or time.time() > deadline:
                self.process.kill()
                raise RuntimeError("the agent did not start listening:\n" + self.log())
            time.sleep(0.05)

    def log(self):
        with open(self.log_path) as file:
            return file.read()

    def count(self, text):
        return self.log().count(text)

    def wait_count(self, text, count):
        deadline = time.time() + TIMEOUT
        while self.count(text) < count and time.time() < deadline:
            time.sleep(0.05)
        return self.count(text) >= count

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(60)


def kexinit(data):
    """The ten name-lists of the first KEXINIT in `data` (after the identification
    lines), or None while it is incomplete."""
    start = data.find(b"SSH-")
    end = data.find(b"\n", start)
    if start < 0 or end < 0:
        return None
    data = data[end + 1:]
    if len(data) < 5:
        return None
    length, padding = struct.unpack(">IB", data[:5])
    payload = data[5:4 + length - padding]
    if len(data) < 4 + length or not payload or payload[0] != 20:
        return None
    lists, at = [], 17
    for _ in range(10):
        (size,) = struct.unpack(">I", payload[at:at + 4])
        lists.append(payload[at + 4:at + 4 + size].decode().split(","))
        at += 4 + size
    return lists


class Tap:
    """Forwards loopback connections of one family to the agent, keeping the first
    bytes each side sends."""

    def __init__(self, host, family, agent_port):
        self.host, self.agent_port = host, agent_port
        self.listener = socket.socket(family)
        self.listener.bind((host, 0))
        self.listener.listen(16)
        self.port = self.listener.getsockname()[1]
        self.connections = []
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            agent = socket.create_connection((self.host, self.agent_port))
            seen = {"client": bytearray(), "agent": bytearray()}
            self.connections.append(seen)
            for sock in (client, agent):
                sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            for source, sink, side in ((client, agent, "client"), (agent, client, "agent")):
                threading.Thread(target=self._pump, args=(source, sink, seen[side]),
                                 daemon=True).start()

    @staticmethod
    def _pump(source, sink, seen):
        try:
            while data := source.recv(65536):
                if len(seen) < 65536:
                    seen += data
                sink.sendall(data)
        except OSError:
            pass
        for sock in (source, sink):
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def close(self):
        self.listener.shutdown(socket.SHUT_RDWR)  # wakes the accepting thread
        self.listener.close()


def negotiated(seen):
    """(kex, host key, cipher) as RFC 4253 7.1 picks them, or None."""
    client, agent = kexinit(bytes(seen["client"])), kexinit(bytes(seen["agent"]))
    if client is None or agent is None:
        return None
    picks = [next((name for name in client[i] if name in agent[i]), "none") for i in (0, 1, 3, 5)]
    kex, host_key, cipher, mac = picks
    if "gcm" not in cipher and "poly1305" not in cipher:
        cipher += " + " + mac
    return kex, host_key, cipher


class Client:
    """One client process whose standard input and output carry the shell channel."""

    def __init__(self, argv, env, errors):
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=errors, env=env)
        self.received = b""

    def send(self, record):
        os.write(self.process.stdin.fileno(), record)

    def answer(self):
        """One record: what arrives until it ends with '#', or b"" after the time-out."""
        deadline = time.time() + TIMEOUT
        data = b""
        while not data.endswith(b"#") and time.time() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], deadline - time.time())
            if not ready:
                break
            chunk = os.read(self.process.stdout.fileno(), 4096)
            if not chunk:
                break
            data += chunk
        return data

    def end(self):
        """Closes the input; whether the client then ends by itself."""
        self.process.stdin.close()
        try:
            self.process.wait(TIMEOUT)
            return True
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return False


def session(agent, argv, env, errors):
    """Runs the steps; returns their outcomes (True, False or None: not reached)."""
    logins = agent.count("SSH connection established.")
    logouts = agent.count("Executing LogoutCommand.")
    client = Client(argv, env, errors)
    outcome = dict.fromkeys(STEPS)
    try:
        greeting = client.answer()
        outcome["login"] = agent.wait_count("SSH connection established.", logins + 1)
        if not outcome["login"]:
            return outcome
        outcome["greeting"] = greeting == GREETING
        client.send(LIST)
        outcome["listchecks"] = client.answer() == LISTING
        client.send(CPU_RUN)
        run = client.answer()
        outcome["CPU run"] = run.startswith(CPU_UP) and run.endswith(b"#")
        client.send(LOGOUT)
        outcome["logout"] = agent.wait_count("Executing LogoutCommand.", logouts + 1)
        return outcome
    finally:
        ended = client.end()
        if outcome["logout"] is not None:
            outcome["logout"] = outcome["logout"] and ended
            errors.flush()
            with open(errors.name, "rb") as said:
                complaint = any(text in said.read() for text in COMPLAINTS)
            outcome["exit 0"] = ended and client.process.returncode == 0 and not complaint


def make_keys(work):
    for kind, bits in (("rsa", "3072"), ("ed25519", "256"), ("ecdsa", "256")):
        path = "%s/ssh_host_%s_key" % (work, kind)
        for old in (path, path + ".pub"):
            if os.path.exists(old):
                os.remove(old)
        subprocess.run(["ssh-keygen", "-q", "-t", kind, "-b", bits, "-N", "", "-f", path],
                       check=True)
    with open(work + "/fingerprints", "w") as file:
        for kind in ("rsa", "ed25519", "ecdsa"):
            line = subprocess.run(["ssh-keygen", "-l", "-f", "%s/ssh_host_%s_key.pub" % (work, kind)],
                                  check=True, capture_output=True, text=True).stdout
            file.write(line.split()[1] + "\n")


def cell(outcomes):
    """ok, FAIL, FAIL and the one family that failed, or - when no family got there."""
    if all(result is None for _, result in outcomes):
        return "-"
    failing = [label for label, result in outcomes if not result]
    if not failing:
        return "ok"
    return "FAIL" if len(failing) == len(outcomes) else "FAIL " + ", ".join(failing)


def short(name):
    return name.split("@")[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--agent", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--clients", default=",".join(CLIENTS))
    parser.add_argument("--keys", default=",".join(name for name, _ in KEY_SETS))
    options = parser.parse_args()
    clients = options.clients.split(",")
    work = os.path.abspath(options.work)
    os.makedirs(work + "/home", mode=0o700, exist_ok=True)
    build(clients, work)
    make_keys(work)
    with open(os.open(work + "/password", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
        f.write(os.urandom(12).hex() + "\n")
    # The clients keep their known hosts and settings away from the user's.
    env = dict(os.environ, HOME=work + "/home", PYTHONWARNINGS="ignore")

    rows, failed = [], False
    for key_set, keys in (k for k in KEY_SETS if k[0] in options.keys.split(",")):
        agent = Agent(os.path.abspath(options.agent), work, keys)
        taps = [(label, Tap(host, family, agent.port)) for label, host, family in FAMILIES]
        try:
            for name in clients:
                title, argv = CLIENTS[name]
                outcomes, algorithms, row_failed = {step: [] for step in STEPS}, set(), False
                for label, tap in taps:
                    before = len(tap.connections)
                    with open("%s/%s-%s-%s.err" % (work, name, key_set, label), "w") as errors:
                        outcome = session(agent, argv(work, tap.host, tap.port), env, errors)
                    for step in STEPS:
                        outcomes[step].append((label, outcome[step]))
                        row_failed |= outcome[step] is False
                    picked = [negotiated(seen) for seen in tap.connections[before:]]
                    algorithms.update(p for p in picked if p)
                row = [title, key_set]
                for step in STEPS:
                    row.append(cell(outcomes[step]))
                for column in range(3):
                    row.append(" / ".join(sorted({short(a[column]) for a in algorithms})) or "-")
                if row_failed and (name, key_set) in NO_COMMON_HOST_KEY and row[-2] == "none":
                    row[-2] = "none (expected)"
                else:
                    failed |= row_failed
                rows.append(row)
        finally:
            for _, tap in taps:
                tap.close()
            agent.stop()

    header = ["Client", "Agent host keys"] + STEPS + ["Key exchange", "Host key", "Cipher"]
    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    for row in [header, ["-" * w for w in widths]] + rows:
        print("| " + " | ".join(cell.ljust(w) for cell, w in zip(row, widths)) + " |")
    print("Each step over IPv4 (127.0.0.1) and IPv6 (::1); FAIL names the family that failed "
          "when only one did. Host key none (expected): the client offers no host key algorithm "
          "of this key set. Client errors: %s/*.err" % work)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
