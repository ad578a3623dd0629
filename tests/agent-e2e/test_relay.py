"""The agent core end to end with real sockets: a softphone socket, the agent (run by the
agent driver), the stand-in tunnel server and real far peers (UDP sockets, kamailio), all on
127.0.0.1. The agent binds its listeners from 5060 and 10000, so CTest runs these cases one
at a time (RESOURCE_LOCK port5060, port10000)."""

import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import relaypeers as rp  # noqa: E402

TUNNELSERVER = os.environ.get("OVIX_TUNNELSERVER", "")
AGENTDRIVER = os.environ.get("OVIX_AGENTDRIVER", "")

CONNECTED = "连接到 TS 服务器成功！"
CONNECT_FAILED = "连接到 TS 服务器失败！"
RTP_PROBE = bytes([0x80, 0x08, 0x00, 0x01]) + bytes(168)  # 172 bytes, one 20 ms frame


class RelayTest(unittest.TestCase):
    def setUp(self):
        for name, path in (("OVIX_TUNNELSERVER", TUNNELSERVER), ("OVIX_AGENTDRIVER", AGENTDRIVER)):
            if not os.path.exists(path):
                self.fail(name + " does not name a program")
        self.cleanups = rp.Cleanups()

    def tearDown(self):
        failures = self.cleanups.run()
        self.assertEqual([], failures)

    def server(self, port=0, **kwargs):
        server = rp.TunnelServer(TUNNELSERVER, port, **kwargs)
        self.cleanups.add_program(server)
        return server

    def agent(self, server_port):
        agent = rp.Agent(AGENTDRIVER, "%s:%d" % (rp.LOOPBACK, server_port))
        self.cleanups.add_program(agent)
        return agent

    def peer(self):
        peer = rp.UdpPeer()
        self.cleanups.add(peer.close)
        return peer

    def open_tunnel(self, agent, phone, call_id):
        """Sends the OPTIONS that makes the agent connect; the agent drops it."""
        start = agent.process.line_count()
        phone.send(rp.options_request(phone.address, agent.sip, call_id), agent.sip)
        agent.process.wait_for(re.escape(CONNECTED), 10.0, start)

    def test_sip_and_rtp_travel_both_ways_through_the_tunnel(self):
        far_sip, far_rtp = self.peer(), self.peer()
        server = self.server(sip=far_sip.address, rtp=far_rtp.address)
        agent = self.agent(server.port)
        phone, phone_rtp = self.peer(), self.peer()

        # RTP never opens the tunnel.
        phone_rtp.send(RTP_PROBE, agent.rtp)
        time.sleep(0.3)
        self.assertEqual(0, server.process.count("connected from"))

        self.open_tunnel(agent, phone, "first")
        self.assertIsNone(far_sip.receive(0.5), "the datagram that opened the tunnel was relayed")
        # The stand-in asked for the listeners' addresses and got the driver's ones.
        server.process.wait_for(r"agent 1 sip listener %s:%d$" % agent.sip)
        server.process.wait_for(r"agent 1 rtp listener %s:%d$" % agent.rtp)

        request = rp.options_request(phone.address, agent.sip, "second")
        phone.send(request, agent.sip)
        got = far_sip.receive()
        self.assertIsNotNone(got, "the retransmitted OPTIONS did not reach the far side")
        self.assertEqual(request, got[0])
        answer = b"SIP/2.0 200 OK\r\nCall-ID: second@127.0.0.1\r\nContent-Length: 0\r\n\r\n"
        far_sip.send(answer, got[1])
        back = phone.receive()
        self.assertIsNotNone(back, "the answer did not come back to the softphone")
        self.assertEqual((answer, agent.sip), (back[0], back[1]))
        agent.process.wait_for(r"^SIP/2\.0 200 OK")  # answers are logged too

        phone_rtp.send(RTP_PROBE, agent.rtp)
        got = far_rtp.receive()
        self.assertIsNotNone(got, "RTP did not reach the far side")
        self.assertEqual(RTP_PROBE, got[0])
        reply = bytes(reversed(RTP_PROBE))
        far_rtp.send(reply, got[1])
        back = phone_rtp.receive()
        self.assertIsNotNone(back, "RTP did not come back to the softphone")
        self.assertEqual((reply, agent.rtp), (back[0], back[1]))

        counts = server.counts()
        self.assertEqual((1, 1, 1, 1, 0),
                         (counts["sip_from_agent"], counts["sip_to_agent"],
                          counts["rtp_from_agent"], counts["rtp_to_agent"], counts["dropped"]))
        self.assertEqual(1, agent.process.count(CONNECTED))

    def test_largest_datagrams_and_bursts_cross_whole_in_both_directions(self):
        far_sip, far_rtp = self.peer(), self.peer()
        server = self.server(sip=far_sip.address, rtp=far_rtp.address)
        agent = self.agent(server.port)
        phone, phone_rtp = self.peer(), self.peer()
        self.open_tunnel(agent, phone, "large")

        # The listeners read datagrams of up to 4096 bytes.
        sip = b"MESSAGE sip:big SIP/2.0\r\n\r\n" + b"x" * (4096 - 27)
        rtp = bytes(i % 251 for i in range(4096))
        for payload, near, far, listener in ((sip, phone, far_sip, agent.sip),
                                             (rtp, phone_rtp, far_rtp, agent.rtp)):
            with self.subTest(size=len(payload), listener=listener):
                near.send(payload, listener)
                got = far.receive()
                self.assertIsNotNone(got)
                self.assertEqual(payload, got[0])
                far.send(payload[::-1], got[1])
                back = near.receive()
                self.assertIsNotNone(back)
                self.assertEqual(payload[::-1], back[0])

        # A burst is queued, not lost; the five RTP workers may reorder it.
        burst = 100
        for i in range(burst):
            phone_rtp.send(i.to_bytes(2, "big") + RTP_PROBE[2:], agent.rtp)
        outward = set()
        while len(outward) < burst:
            got = far_rtp.receive(5.0)
            self.assertIsNotNone(got, "burst towards the server: %d of %d" % (len(outward), burst))
            outward.add(got[0][:2])
            relay = got[1]
        for i in range(burst):
            far_rtp.send(i.to_bytes(2, "big") + RTP_PROBE[2:], relay)
        inward = set()
        while len(inward) < burst:
            got = phone_rtp.receive(5.0)
            self.assertIsNotNone(got, "burst towards the softphone: %d of %d" % (len(inward), burst))
            inward.add(got[0][:2])
        counts = server.counts()
        self.assertEqual((burst + 1, burst + 1, 0),
                         (counts["rtp_from_agent"], counts["rtp_to_agent"], counts["dropped"]))

    def test_server_that_closes_gives_one_disconnect_line_and_next_sip_reconnects(self):
        port = rp.free_tcp_port()
        server = self.server(port, echo=True)
        agent = self.agent(port)
        phone = self.peer()
        self.open_tunnel(agent, phone, "before")
        phone.send(b"OPTIONS sip:echo SIP/2.0\r\n\r\n", agent.sip)
        self.assertIsNotNone(phone.receive(), "the echo server's frame did not come back")

        server.stop()
        agent.process.wait_for(re.escape(rp.DISCONNECT_LINE), 5.0)
        time.sleep(0.5)
        self.assertEqual(1, agent.process.count(rp.DISCONNECT_LINE))

        restarted = self.server(port, echo=True)
        self.open_tunnel(agent, phone, "after")
        self.assertEqual(2, agent.process.count(CONNECTED))
        phone.send(b"OPTIONS sip:again SIP/2.0\r\n\r\n", agent.sip)
        back = phone.receive()
        self.assertIsNotNone(back, "nothing came back over the new connection")
        self.assertEqual(b"OPTIONS sip:again SIP/2.0\r\n\r\n", back[0])
        counts = restarted.counts()
        self.assertEqual((1, 1), (counts["sip_from_agent"], counts["sip_to_agent"]))
        self.assertEqual(1, agent.process.count(rp.DISCONNECT_LINE))

    def test_unreachable_server_is_logged_and_retried_by_the_next_sip(self):
        port = rp.free_tcp_port()  # nothing listens there
        agent = self.agent(port)
        phone = self.peer()
        phone.send(b"OPTIONS sip:nobody SIP/2.0\r\n\r\n", agent.sip)
        agent.process.wait_for(re.escape(CONNECT_FAILED), 10.0)
        self.server(port, echo=True)
        self.open_tunnel(agent, phone, "later")


@unittest.skipIf(rp.kamailio_missing(), rp.kamailio_missing() or "")
class KamailioTest(unittest.TestCase):
    """sipsak plays the softphone and kamailio the SIP server behind the stand-in."""

    def setUp(self):
        if shutil.which("sipsak") is None:
            self.skipTest("sipsak is not installed (apt-get install sipsak)")
        self.cleanups = rp.Cleanups()
        try:
            self.kamailio = rp.Kamailio()
            self.cleanups.add(self.kamailio.stop)
            self.server = rp.TunnelServer(TUNNELSERVER, 0, sip=self.kamailio.address)
            self.cleanups.add_program(self.server)
            self.agent = rp.Agent(AGENTDRIVER, "%s:%d" % (rp.LOOPBACK, self.server.port))
            self.cleanups.add_program(self.agent)
        except BaseException:
            self.cleanups.run()
            raise

    def tearDown(self):
        failures = self.cleanups.run()
        self.assertEqual([], failures)

    def sipsak(self, *args):
        argv = ["sipsak", "-S", "-vv", "-H", rp.LOOPBACK] + list(args)
        result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=30)
        return result.returncode, result.stdout.decode("utf-8", "replace")

    def test_options_opens_the_tunnel_and_its_retransmission_gets_kamailios_200(self):
        code, output = self.sipsak("-s", "sip:ping@%s:%d" % self.agent.sip)
        self.assertEqual(0, code, output)
        self.assertIn("SIP/2.0 200 OK", output)
        self.assertIn("Server: kamailio", output)
        # The first OPTIONS only opened the tunnel; a retransmission reached kamailio,
        # from the stand-in's relay socket, and its answer came back through the tunnel.
        sent = self.agent.process.count("OPTIONS sip:ping@")
        self.assertGreaterEqual(sent, 2)
        self.assertEqual(1, self.agent.process.count(CONNECTED))
        _, m = self.server.process.wait_for(r"agent 1 connected from .* \(sip relay (\S+),")
        relayed = r"kamailio got OPTIONS from %s$" % re.escape(m.group(1))
        self.kamailio.process.wait_for(relayed)
        counts = self.server.counts()
        self.assertEqual(sent - 1, counts["sip_from_agent"])
        self.assertEqual(counts["sip_from_agent"], counts["sip_to_agent"])
        self.assertEqual(sent - 1, len(re.findall(relayed, self.kamailio.process.output(),
                                                  re.MULTILINE)))

    def test_register_is_saved_by_kamailio_through_the_tunnel(self):
        code, output = self.sipsak("-s", "sip:ping@%s:%d" % self.agent.sip)
        self.assertEqual(0, code, output)
        code, output = self.sipsak("-U", "-i", "-C", "sip:alice@%s:%d" % (rp.LOOPBACK, 5999),
                                   "-s", "sip:alice@%s:%d" % self.agent.sip)
        self.assertEqual(0, code, output)
        self.assertIn("All usrloc tests completed successful", output)
        self.kamailio.process.wait_for(r"kamailio got REGISTER from ")
        counts = self.server.counts()
        self.assertEqual(counts["sip_from_agent"], counts["sip_to_agent"])


if __name__ == "__main__":
    unittest.main()
