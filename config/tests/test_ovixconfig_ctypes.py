#!/usr/bin/env python3
"""Calls the configuration library from Python through ctypes, as an outside caller would:
records laid out by hand, slots allocated and freed through the string library.

usage: test_ovixconfig_ctypes.py BSTR_LIBRARY CONFIG_LIBRARY [unittest options]
"""
import ctypes
import sys
import unittest

BSTR_LIBRARY = None
CONFIG_LIBRARY = None

IMS_WEB_FIELDS = ["RegionNo", "IMSServer", "WelcomeURL", "BindingURL", "TelBookURL",
                  "CardWebURL", "RegisterURL", "RegisterEndPath", "VoipOrderURL"]
PUBLIC_FIELDS = ["WelcomeURL", "RegisterURL", "RegisterEndPath", "HelpURL", "Reserved"]


class ImsWeb(ctypes.Structure):
    _fields_ = [(name, ctypes.c_void_p) for name in IMS_WEB_FIELDS]


class Public(ctypes.Structure):
    _fields_ = [(name, ctypes.c_void_p) for name in PUBLIC_FIELDS]


# Area codes served by the proxy, as listed for each region.
REGION1_AREAS = {1, 2, 11, 12}
REGION2_AREAS = ({1, 2, 71, 81, 91, 99} | set(range(11, 16)) | set(range(21, 24))
                 | set(range(31, 38)) | set(range(41, 47)) | set(range(50, 55))
                 | set(range(61, 66)))
PROXY_AREAS = {1: REGION1_AREAS, 2: REGION2_AREAS, 11: set(), 12: set()}
REGION_NUMBERS = {1: "001", 2: "002", 11: "011", 12: "012"}
DOCUMENTATION_DOMAINS = (".example.com", ".example.net", ".example.org", ".example")


def load():
    bstr = ctypes.CDLL(BSTR_LIBRARY)
    bstr.SysAllocStringLen.restype = ctypes.c_void_p
    bstr.SysAllocStringLen.argtypes = [ctypes.c_char_p, ctypes.c_uint]
    bstr.SysStringLen.restype = ctypes.c_uint
    bstr.SysStringLen.argtypes = [ctypes.c_void_p]
    bstr.SysFreeString.restype = None
    bstr.SysFreeString.argtypes = [ctypes.c_void_p]
    config = ctypes.CDLL(CONFIG_LIBRARY)
    slot = ctypes.POINTER(ctypes.c_void_p)
    for name, argtypes in [("GetPublicConfig", [ctypes.POINTER(Public)]),
                           ("GetSipTunnalServer", [slot]),
                           ("GetProxy", [slot, ctypes.c_int32, ctypes.c_int32]),
                           ("GetIMS", [slot, ctypes.c_int32]),
                           ("GetConfig", [ctypes.POINTER(ImsWeb), ctypes.c_int32])]:
        function = getattr(config, name)
        function.argtypes = argtypes
        function.restype = None
    return bstr, config


class ConfigLibraryFromPython(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bstr, cls.config = load()

    def new_bstr(self, text):
        data = text.encode("utf-16-le")
        return self.bstr.SysAllocStringLen(data, len(text))

    def text(self, pointer):
        if not pointer:
            return None
        units = self.bstr.SysStringLen(pointer)
        raw = ctypes.string_at(pointer, units * 2 + 2)
        self.assertEqual(raw[-2:], b"\0\0", "terminating zero")
        length = ctypes.c_uint32.from_address(pointer - 4).value
        self.assertEqual(length, units * 2, "byte length before the text")
        return raw[:-2].decode("utf-16-le")

    def take(self, record, fields):
        values = {}
        for name in fields:
            values[name] = self.text(getattr(record, name))
            self.bstr.SysFreeString(getattr(record, name))
            setattr(record, name, None)
        return values

    def get_config(self, region, prefilled=True):
        record = ImsWeb()
        if prefilled:
            for name in IMS_WEB_FIELDS:
                setattr(record, name, self.new_bstr("stale " + name))
        self.config.GetConfig(ctypes.byref(record), region)
        return self.take(record, IMS_WEB_FIELDS)

    def slot_answer(self, call, *args):
        slot = ctypes.c_void_p(self.new_bstr("stale"))
        call(ctypes.byref(slot), *args)
        value = self.text(slot.value)
        self.bstr.SysFreeString(slot.value)
        return value

    def test_record_sizes_match_consecutive_pointer_slots(self):
        pointer = ctypes.sizeof(ctypes.c_void_p)
        self.assertEqual(ctypes.sizeof(ImsWeb), 9 * pointer)
        self.assertEqual(ctypes.sizeof(Public), 5 * pointer)
        self.assertEqual(ImsWeb.VoipOrderURL.offset, 8 * pointer)
        self.assertEqual(Public.Reserved.offset, 4 * pointer)

    def test_listed_regions(self):
        answers = {region: self.get_config(region) for region in REGION_NUMBERS}
        for region, number in REGION_NUMBERS.items():
            with self.subTest(region=region):
                answer = answers[region]
                self.assertEqual(answer["RegionNo"], number)
                self.assertEqual(answer["IMSServer"], self.slot_answer(self.config.GetIMS, region))
                self.assertEqual(answer["RegisterEndPath"], "/ovixweb/register/End.jsp")
                web = answer["WelcomeURL"][:-len("/ovixweb/Welcome.do")]
                self.assertTrue(web.startswith("http://"))
                self.assertTrue(web.endswith(DOCUMENTATION_DOMAINS), web)
                self.assertEqual(answer["BindingURL"],
                                 web + "/Binding/login.html?command=binding&password=")
                self.assertEqual(answer["TelBookURL"],
                                 web + "/Telephone/login.html?command=telbook&ovixid=")
                self.assertEqual(answer["CardWebURL"], web + "/CardWeb/index.do?ovixid=")
                self.assertEqual(answer["RegisterURL"], web + "/ovixweb/NewRegister.do")
                self.assertEqual(answer["VoipOrderURL"], web + "/Binding/createvoiporder.html")
        for first, second in [(1, 2), (11, 12)]:
            shared = [name for name in IMS_WEB_FIELDS[2:]]
            self.assertEqual([answers[first][n] for n in shared],
                             [answers[second][n] for n in shared])
            self.assertNotEqual(answers[first]["IMSServer"], answers[second]["IMSServer"])
        self.assertNotEqual(answers[1]["WelcomeURL"], answers[11]["WelcomeURL"])

    def test_unlisted_regions(self):
        for region in [0, 3, 13, -1, -2**31, 2**31 - 1]:
            with self.subTest(region=region):
                answer = self.get_config(region)
                self.assertEqual(answer["RegionNo"], "0")
                self.assertEqual([answer[n] for n in IMS_WEB_FIELDS[1:]], [None] * 8)
                self.assertIsNone(self.slot_answer(self.config.GetIMS, region))
                self.assertIsNone(self.slot_answer(self.config.GetProxy, 1, region))

    def test_proxy_for_every_area_code_from_minus_one_to_hundred(self):
        proxy = self.slot_answer(self.config.GetProxy, 1, 1)
        self.assertTrue(proxy.endswith(DOCUMENTATION_DOMAINS), proxy)
        for region, areas in PROXY_AREAS.items():
            for area in range(-1, 101):
                with self.subTest(region=region, area=area):
                    expected = proxy if area in areas else None
                    self.assertEqual(self.slot_answer(self.config.GetProxy, area, region),
                                     expected)

    def test_public_record_and_tunnel(self):
        record = Public()
        record.Reserved = self.new_bstr("left by the caller")
        self.config.GetPublicConfig(ctypes.byref(record))
        answer = self.take(record, PUBLIC_FIELDS)
        region1 = self.get_config(1, prefilled=False)
        self.assertEqual(answer["WelcomeURL"], region1["WelcomeURL"])
        self.assertEqual(answer["RegisterURL"], region1["RegisterURL"])
        self.assertEqual(answer["RegisterEndPath"], "/ovixweb/register/End.jsp")
        self.assertTrue(answer["HelpURL"].startswith("http://"))
        self.assertTrue(answer["HelpURL"].endswith("/HelpForOvix.html"))
        self.assertIsNone(answer["Reserved"])
        tunnel = self.slot_answer(self.config.GetSipTunnalServer)
        self.assertTrue(tunnel.endswith(DOCUMENTATION_DOMAINS), tunnel)

    def test_null_pointers_are_ignored(self):
        self.config.GetConfig(None, 1)
        self.config.GetPublicConfig(None)
        self.config.GetIMS(None, 1)
        self.config.GetProxy(None, 1, 1)
        self.config.GetSipTunnalServer(None)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    BSTR_LIBRARY, CONFIG_LIBRARY = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
