"""The stand-in tunnel server on its own, driven by a hand-written agent that speaks frames
over a real TCP connection, with real UDP sockets as the far side."""

import os
import signal
import socket
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import relaypeers as rp  # noqa: E402

TUNNELSERVER = os.environ.get("OVIX_TUNNELSERVER", "")

SIP_TEXT = (b"OPTIONS sip:ping@127.0.0.1 SIP/2.0\r\nVia: SIP/2.0/UDP 127.0.0.1:5060\r\n"
            b"Call-ID: standin@127.0.0.1\r\nCSeq: 1 OPTIONS\r\nContent-Length: 0\r\n\r\n")
RTP_BYTES = bytes([0x80, 0x08]) + bytes(range(170))


class StandInTest(unittest.TestCase):
    def setUp(self):
        if not os.path.exists(TUNNELSERVER):
            self.fail("OVIX_TUNNELSERVER does not name the stand-in program")
        self.cleanups = rp.Cleanups()

    def tearDown(self):
        failures = self.cleanups.run()
        self.assertEqual([], failures)

    def start_server(self, **kwargs):
        server = rp.TunnelServer(TUNNELSERVER, 0, **kwargs)
        self.cleanups.add_program(server)
        return server

    def peer(self):
        p = rp.UdpPeer()
        self.cleanups.add(p.close)
        return p

    def connect_agent(self, server, answer=True):
        """A fake agent: connects, reads the two address requests and answers them."""
        sock = socket.create_connection((rp.LOOPBACK, server.port), timeout=5)
        self.cleanups.add(sock.close)
        requests = [rp.read_frame(sock), rp.read_frame(sock)]
        self.assertEqual([(3, 0, b"\x07"), (3, 0, b"\x06")], requests)
        if answer:
            sock.sendall(rp.frame(3, b"\x07127.0.0.1:5061") + rp.frame(3, b"\x0610.0.0.7:10000"))
        return sock

    def test_asks_each_agent_for_its_listener_addresses_and_logs_the_replies(self):
        server = self.start_server()
        self.connect_agent(server)
        server.process.wait_for(r"^tunnelserver agent 1 sip listener 127\.0\.0\.1:5061$")
        server.process.wait_for(r"^tunnelserver agent 1 rtp listener 10\.0\.0\.7:10000$")
        counts = server.counts()
        self.assertEqual(2, counts["control_to_agent"])
        self.assertEqual(2, counts["control_from_agent"])

    def test_relays_sip_and_rtp_both_ways_whatever_the_stream_split(self):
        far_sip, far_rtp = self.peer(), self.peer()
        server = self.start_server(sip=far_sip.address, rtp=far_rtp.address)
        agent = self.connect_agent(server)
        cases = [(1, SIP_TEXT, far_sip), (2, RTP_BYTES, far_rtp)]
        for kind, payload, far in cases:
            with self.subTest(kind=kind):
                wire = rp.frame(kind, payload, 5060)
                # Header split inside the Length field, then the rest in two pieces.
                for piece in (wire[:1], wire[1:4], wire[4:]):
                    agent.sendall(piece)
                got = far.receive()
                self.assertIsNotNone(got, "the far side got nothing")
                data, relay_address = got
                self.assertEqual(payload, data)
                answer = b"SIP/2.0 200 OK\r\n\r\n" if kind == 1 else bytes(reversed(payload))
                far.send(answer, relay_address)
                back = rp.read_frame(agent)
                self.assertIsNotNone(back, "no frame came back to the agent")
                self.assertEqual((kind, answer), (back[0], back[2]))
        counts = server.counts()
        self.assertEqual((1, 1, 1, 1, 0), (counts["sip_from_agent"], counts["rtp_from_agent"],
                                           counts["sip_to_agent"], counts["rtp_to_agent"],
                                           counts["dropped"]))

    def test_two_frames_in_one_write_and_frames_without_a_target(self):
        far_sip = self.peer()
        server = self.start_server(sip=far_sip.address)  # no RTP address
        agent = self.connect_agent(server)
        agent.sendall(rp.frame(1, b"first") + rp.frame(2, RTP_BYTES) + rp.frame(1, b"second")
                      + rp.frame(9, b"odd"))
        self.assertEqual(b"first", far_sip.receive()[0])
        self.assertEqual(b"second", far_sip.receive()[0])
        counts = server.counts()
        self.assertEqual((2, 1, 1, 1), (counts["sip_from_agent"], counts["rtp_from_agent"],
                                        counts["other_from_agent"], counts["dropped"]))

    def test_echo_mode_sends_every_frame_straight_back(self):
        server = self.start_server(echo=True)
        agent = self.connect_agent(server)
        agent.sendall(rp.frame(1, SIP_TEXT, 5060) + rp.frame(2, RTP_BYTES, 8000))
        self.assertEqual((1, SIP_TEXT), rp.read_frame(agent)[::2])
        self.assertEqual((2, RTP_BYTES), rp.read_frame(agent)[::2])
        counts = server.counts()
        self.assertEqual((1, 1), (counts["sip_to_agent"], counts["rtp_to_agent"]))

    def test_sigterm_closes_the_agents_prints_the_counts_and_exits_cleanly(self):
        server = self.start_server(echo=True)
        agent = self.connect_agent(server, answer=False)
        agent.sendall(rp.frame(1, b"x"))
        self.assertEqual((1, b"x"), rp.read_frame(agent)[::2])
        server.process.signal(signal.SIGTERM)
        self.assertEqual(0, server.process.proc.wait(10))
        agent.settimeout(5)
        self.assertEqual(b"", agent.recv(16), "the agent's connection was not closed")
        server.process.wait_for(r"^tunnelserver counts sip_from_agent=1 .*sip_to_agent=1 ")

    def test_a_disconnecting_agent_leaves_the_server_serving_others(self):
        server = self.start_server(echo=True)
        first = self.connect_agent(server)
        first.close()
        server.process.wait_for(r"^tunnelserver agent 1 disconnected$")
        second = self.connect_agent(server)
        second.sendall(rp.frame(2, RTP_BYTES))
        self.assertEqual((2, RTP_BYTES), rp.read_frame(second)[::2])

    def test_bad_command_line_is_refused(self):
        for argv in (["--listen"], ["--sip", "nowhere:99999"], ["--bogus"]):
            with self.subTest(argv=argv):
                p = rp.Process("tunnelserver", [TUNNELSERVER] + argv)
                self.assertEqual(2, p.proc.wait(5))
                p.stop()


if __name__ == "__main__":
    unittest.main()
