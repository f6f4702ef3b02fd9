#!/usr/bin/python3
"""DORVAN on a real mosquitto broker: the Linux program, offscreen, with the stand-in board.

usage: mqtt_linux.py DORVAN FAKE_HIDAPI_LIBRARY
Exits 77 (skipped) when mosquitto or paho-mqtt is not installed.
"""
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
from datetime import datetime, timedelta

try:
    import paho.mqtt.client as paho
except ImportError:
    paho = None

BROKER = "/usr/sbin/mosquitto"
USER, PASSWORD = "dorvan", "gizli parola 42"
PREFIX = "dorvan/test"


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, test, seconds):
    until = time.monotonic() + seconds
    while time.monotonic() < until:
        value = test()
        if value:
            return value
        time.sleep(0.02)
    fail("waited %g s for %s" % (seconds, what))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Broker:
    def __init__(self, folder, port):
        self.folder, self.port, self.process = folder, port, None
        passwords = os.path.join(folder, "passwords")
        subprocess.run(["mosquitto_passwd", "-b", "-c", passwords, USER, PASSWORD], check=True)
        self.config = os.path.join(folder, "mosquitto.conf")
        with open(self.config, "w") as f:
            f.write("listener %d 127.0.0.1\nallow_anonymous false\npassword_file %s\npersistence false\n"
                    "user root\nlog_dest file %s/mosquitto.log\n" % (port, passwords, folder))

    def start(self):
        self.process = subprocess.Popen([BROKER, "-c", self.config])
        def accepts():
            try:
                socket.create_connection(("127.0.0.1", self.port), 0.2).close()
                return True
            except OSError:
                return False
        wait_for("the broker's port", accepts, 10)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)


class Client:
    """A paho client that keeps every message it receives."""

    def __init__(self, port, topic="#"):
        self.messages = []
        self.client = paho.Client()
        self.client.username_pw_set(USER, PASSWORD)
        self.client.on_message = lambda c, u, m: self.messages.append((m.topic, m.payload.decode("utf-8", "replace"), m.retain))
        self.client.connect("127.0.0.1", port)
        self.client.subscribe(topic, 1)
        self.client.loop_start()

    def retained(self, settle=1.0):
        time.sleep(settle)
        return {t: p for t, p, r in self.messages if r}

    def publish(self, topic, payload, retain=False):
        self.client.publish(topic, payload, 1, retain).wait_for_publish()

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()


def retained_state(port, want, configs=22, seconds=10):
    """What a newcomer finds retained, once that holds `want` (None: absent) and `configs`
    discovery configs, or after `seconds`. A subscriber that came before a message gets
    it without the retain flag, so each look is a new subscriber's."""
    until = time.monotonic() + seconds
    while True:
        c = Client(port)
        held = c.retained(0.5)
        c.close()
        if (all(held.get(t) == v for t, v in want.items()) and sum(t.endswith("/config") for t in held) == configs
                or time.monotonic() > until):
            return held


def stage_file(folder, rows):
    """kademe3.txt: rows maps a port to (description, start, end), each a datetime or None."""
    lines = []
    for port in range(1, 11):
        text, start, end = rows.get(port, ("", None, None))
        lines.append(text)
        for instant in (start, end):
            lines += [instant.strftime("%d.%m.%Y"), instant.strftime("%H:%M:%S")] if instant else ["", ""]
    with open(os.path.join(folder, "kademe3.txt"), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp1254"))


class Dorvan:
    def __init__(self, program, shim, folder, port, password, rows, web=None, prefix=PREFIX, extra="", files=()):
        self.home = os.path.join(folder, "home")
        os.mkdir(self.home)
        stage_file(self.home, rows)
        for f in files:
            shutil.copy(f, self.home)
        settings = os.path.join(self.home, "ag.txt")
        with open(settings, "w") as f:
            f.write("mqtt = 127.0.0.1:%d\nmqtt_kullanici = %s\nmqtt_parola = %s\nmqtt_konu = %s\n" % (port, USER, password, prefix))
            if web:
                f.write("web = 127.0.0.1:%d\n" % web)
            f.write(extra)
        os.chmod(settings, 0o600)
        self.board = os.path.join(folder, "board")
        open(self.board, "w").close()
        self.log = open(os.path.join(folder, "stderr"), "w+")
        env = dict(os.environ, DORVAN_FAKE_BOARD=self.board, QT_QPA_PLATFORM="offscreen", LD_PRELOAD=shim)
        self.process = subprocess.Popen([program, "3"], cwd=self.home, env=env, stdout=self.log, stderr=self.log)

    def journal(self):
        try:
            with open(os.path.join(self.home, "gunluk.txt"), encoding="utf-8") as f:
                return [line.rstrip("\n")[20:] for line in f]
        except FileNotFoundError:
            return []

    def reports(self):
        try:
            with open(self.board + ".log") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def end(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                fail("dorvan did not end on SIGTERM")
        return self.process.returncode


def report(port, on):
    return "00 %02X %02X 00 00 00 00 00 00" % (port, 1 if on else 0)


def main():
    if paho is None or not os.path.exists(BROKER):
        print("SKIP: mosquitto or python3-paho-mqtt is not installed")
        return 77
    program, shim = os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2])
    scratch = tempfile.mkdtemp()
    broker = Broker(scratch, free_port())
    dorvans = []
    try:
        broker.start()
        now = datetime.now().replace(microsecond=0)
        since, due = now - timedelta(hours=1), now + timedelta(seconds=14)
        # Port 3 falls due while the broker is down; port 4 is due for the wrong password's run.
        main_dir, wrong_dir = os.path.join(scratch, "a"), os.path.join(scratch, "b")
        os.mkdir(main_dir)
        os.mkdir(wrong_dir)
        web = free_port()
        d = Dorvan(program, shim, main_dir, broker.port, PASSWORD,
                   {1: ("", since, None), 2: ("Sulama ön", None, None), 3: ("", due, None)}, web)
        w = Dorvan(program, shim, wrong_dir, broker.port, "yanlis",
                   {4: ("", now + timedelta(seconds=3), None)})
        dorvans += [d, w]

        wait_for("MQTT BAĞLANDI", lambda: "MQTT BAĞLANDI" in d.journal(), 10)
        # Port 1 is resumed once the window shows; a newcomer finds it retained only after that.
        wait_for("port 1 resumed", lambda: "PORT 01 AÇIK (yeniden)" in d.journal(), 10)
        # Discovery and the states, retained, as a newcomer finds them.
        p = PREFIX
        want = {p + "/durum": "online", p + "/port/1": "ON", p + "/kart": "ON", p + "/kademe": "3",
                p + "/port/3/sonraki": due.astimezone().isoformat()}
        held = retained_state(broker.port, want)
        sub = Client(broker.port)
        for topic, payload in want.items():
            if held.get(topic) != payload:
                fail("retained %s is %r, not %r" % (topic, held.get(topic), payload))
        # Nothing ahead is an empty payload, which leaves nothing retained.
        if p + "/port/2/sonraki" in held:
            fail("port 2 has a next switching: %r" % held[p + "/port/2/sonraki"])
        configs = [t for t in held if t.startswith("homeassistant/") and t.endswith("/config")]
        if len(configs) != 22:
            fail("%d discovery configs retained: %s" % (len(configs), sorted(configs)))
        if '"name":"Sulama ön"' not in held.get("homeassistant/switch/dorvan_test/port_2/config", ""):
            fail("port 2's switch is not named after its description")
        select = json.loads(held.get("homeassistant/select/dorvan_test/kademe/config", "{}"))
        if (select.get("options") != ["KADEME %d" % n for n in range(1, 8)] or select.get("state_topic") != p + "/kademe"
                or select.get("command_topic") != p + "/kademe/set" or select.get("unique_id") != "dorvan_test_kademe"
                or select.get("value_template") != "KADEME {{ value }}"
                or select.get("command_template") != "{{ value | replace('KADEME ', '') }}"):
            fail("the stages' select is %r" % select)
        if p + "/port/5" in held:
            fail("port 5 was never switched, yet its state was published")

        # A set switches the board at once, journaled with its cause.
        before = len(d.reports())
        started = time.monotonic()
        sub.publish(p + "/port/5/set", "on")
        wait_for("port 5's report", lambda: report(5, True) in d.reports()[before:], 1.0)
        print("set → report: %.1f ms" % ((time.monotonic() - started) * 1000))
        wait_for("PORT 05 AÇIK (mqtt)", lambda: "PORT 05 AÇIK (mqtt)" in d.journal(), 2)
        wait_for("port 5's state", lambda: (p + "/port/5", "ON", False) in sub.messages, 2)
        # Every journal line goes out as written to the file.
        line = [l for l in open(os.path.join(d.home, "gunluk.txt"), encoding="utf-8") if "(mqtt)" in l][0].rstrip("\n")
        wait_for("the journal line on " + p + "/gunluk", lambda: (p + "/gunluk", line, False) in sub.messages, 2)
        # Boxes edited (here through the page): the switch's new name, the port's next switching.
        edit = json.dumps({"description": "Sera", "start": {"date": "07.12.2099", "time": "06:30:00"}}).encode()
        urllib.request.urlopen(urllib.request.Request("http://127.0.0.1:%d/api/ports/4" % web, edit, method="PUT",
                                                      headers={"Content-Type": "application/json"}), timeout=5)
        wait_for("port 4's new name", lambda: any(t.endswith("/port_4/config") and '"name":"Sera"' in m
                                                  for t, m, _ in sub.messages), 2)
        wait_for("port 4's next switching",
                 lambda: (p + "/port/4/sonraki", datetime(2099, 12, 7, 6, 30).astimezone().isoformat(), False)
                 in sub.messages, 2)
        # An extra window before the row's start is the next switching.
        edit = json.dumps({"extra": [{"start": {"date": "07.12.2098", "time": "06:30:00"}}]}).encode()
        urllib.request.urlopen(urllib.request.Request("http://127.0.0.1:%d/api/ports/4" % web, edit, method="PUT",
                                                      headers={"Content-Type": "application/json"}), timeout=5)
        wait_for("port 4's next switching in its extra window",
                 lambda: (p + "/port/4/sonraki", datetime(2098, 12, 7, 6, 30).astimezone().isoformat(), False)
                 in sub.messages, 2)
        # Home Assistant coming online is given the configs again.
        configs_before = sum(t.endswith("/config") for t, _, _ in sub.messages)
        sub.publish("homeassistant/status", "online")
        wait_for("the configs again", lambda: sum(t.endswith("/config") for t, _, _ in sub.messages) == configs_before + 22, 2)

        # Bad payloads switch nothing and are told once a minute.
        before = len(d.reports())
        sub.publish(p + "/port/6/set", "aç\nşunu\x1b[0m lütfen, hemen şimdi ve hep")
        sub.publish(p + "/port/6/set", "yine")
        sub.publish(p + "/port/12/set", "ON")
        wait_for("the bad payload's warning",
                 lambda: any(l.startswith("UYARI: MQTT " + p + "/port/6/set") for l in d.journal()), 2)
        time.sleep(0.5)
        bad = [l for l in d.journal() if "anlaşılmadı" in l]
        if len(bad) != 1 or '"aç?şunu?[0m lütfen, hemen şi"' not in bad[0]:
            fail("bad payloads were journaled as %s" % bad)
        if d.reports()[before:]:
            fail("a bad payload switched: %s" % d.reports()[before:])

        # The broker goes; port 3 falls due meanwhile; the broker comes back.
        broker.stop()
        wait_for("port 3 in its second", lambda: "PORT 03 AÇIK (çizelge)" in d.journal(),
                 (due - datetime.now()).total_seconds() + 3)
        # A retained command waiting on the broker must not switch anything at connect.
        broker.start()
        left = Client(broker.port, "nothing")
        left.publish(p + "/port/7/set", "ON", retain=True)
        left.publish(p + "/kademe/set", "5", retain=True)
        left.close()
        wait_for("the second MQTT BAĞLANDI", lambda: d.journal().count("MQTT BAĞLANDI") == 2, 20)
        outage = d.journal()[d.journal().index("MQTT BAĞLANDI") + 1:]
        warnings = [l for l in outage if l.startswith("UYARI: MQTT sunucusu")]
        if warnings != ["UYARI: MQTT sunucusu 127.0.0.1:%d: bağlantı koptu" % broker.port]:
            fail("the outage was journaled as %s" % warnings)
        want = {p + "/port/3": "ON", p + "/port/5": "ON", p + "/durum": "online", p + "/port/3/sonraki": None}
        held = retained_state(broker.port, want)
        for topic, payload in want.items():
            if held.get(topic) != payload:
                fail("after the restart, retained %s is %r, not %r" % (topic, held.get(topic), payload))
        if len([t for t in held if t.endswith("/config")]) != 22:
            fail("discovery was not published again after the restart")
        if any("PORT 07" in l for l in d.journal()) or report(7, True) in d.reports():
            fail("a retained command switched port 7")
        if any("KADEME 5" in l for l in d.journal()):
            fail("a retained command chose stage 5")

        # The wrong password: told once, and the schedule goes on.
        wrong = "UYARI: MQTT sunucusu 127.0.0.1:%d: kullanıcı adı ya da parola kabul edilmedi" % broker.port
        wait_for("the wrong password's warning", lambda: wrong in w.journal(), 5)
        wait_for("port 4 switched all the same", lambda: "PORT 04 AÇIK (çizelge)" in w.journal(), 5)
        if "MQTT BAĞLANDI" in w.journal():
            fail("a wrong password connected")

        # A stage chosen from MQTT loads as its button does, and is told back.
        shutil.copy(os.path.join(d.home, "kademe3.txt"), os.path.join(d.home, "kademe2.txt"))
        stages = Client(broker.port, p + "/kademe")  # the broker was restarted: a new subscriber
        time.sleep(0.3)
        stages.publish(p + "/kademe/set", " 2 ")
        wait_for("KADEME 2 YÜKLENDİ (mqtt)", lambda: "KADEME 2 YÜKLENDİ (mqtt)" in d.journal(), 2)
        wait_for("the stage told back", lambda: (p + "/kademe", "2", False) in stages.messages, 2)
        stages.close()

        # SIGTERM: `offline` is left behind.
        if d.end() != 0:
            fail("dorvan ended with %d" % d.process.returncode)
        if retained_state(broker.port, {p + "/durum": "offline"}, seconds=2).get(p + "/durum") != "offline":
            fail("no retained offline after SIGTERM")
        for run in (d, w):
            run.end()
            run.log.seek(0)
            texts = run.log.read() + "\n".join(run.journal())
            if PASSWORD in texts or "yanlis" in texts:
                fail("a password was written out")
        sub.close()
        print("\n".join(d.journal()))
        return 0
    finally:
        for run in dorvans:
            if run.process.poll() is None:
                run.process.kill()
        broker.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
