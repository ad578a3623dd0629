#!/usr/bin/env python3
"""Runs the ovixconfig tool as an operator would and checks its answers and usage errors.

usage: test_ovixconfig_tool.py OVIXCONFIG_PROGRAM [unittest options]
"""
import subprocess
import sys
import unittest

PROGRAM = None

NAMES = ["GetConfig.RegionNo", "GetConfig.IMSServer", "GetConfig.WelcomeURL",
         "GetConfig.BindingURL", "GetConfig.TelBookURL", "GetConfig.CardWebURL",
         "GetConfig.RegisterURL", "GetConfig.RegisterEndPath", "GetConfig.VoipOrderURL",
         "GetIMS", "GetProxy", "GetSipTunnalServer",
         "GetPublicConfig.WelcomeURL", "GetPublicConfig.RegisterURL",
         "GetPublicConfig.RegisterEndPath", "GetPublicConfig.HelpURL",
         "GetPublicConfig.Reserved"]


def run(*args):
    return subprocess.run([PROGRAM, *args], capture_output=True, text=True, timeout=30)


class OvixConfigTool(unittest.TestCase):
    def answers(self, region, area):
        result = run(str(region), str(area))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        lines = result.stdout.splitlines()
        self.assertEqual([line.split("=", 1)[0] for line in lines], NAMES)
        return dict(line.split("=", 1) for line in lines)

    def test_listed_regions(self):
        for region, number, area, has_proxy in [(1, "001", 12, True), (1, "001", 13, False),
                                                (2, "002", 13, True), (2, "002", 82, False),
                                                (11, "011", 11, False), (12, "012", 1, False)]:
            with self.subTest(region=region, area=area):
                answer = self.answers(region, area)
                self.assertEqual(answer["GetConfig.RegionNo"], number)
                self.assertNotEqual(answer["GetIMS"], "")
                self.assertEqual(answer["GetIMS"], answer["GetConfig.IMSServer"])
                self.assertEqual(answer["GetProxy"] != "", has_proxy)
                self.assertEqual(answer["GetConfig.RegisterEndPath"], "/ovixweb/register/End.jsp")
                self.assertTrue(answer["GetConfig.WelcomeURL"].startswith("http://"))

    def test_unlisted_region(self):
        answer = self.answers(-1, 1)
        self.assertEqual(answer["GetConfig.RegionNo"], "0")
        for name in NAMES[1:11]:
            self.assertEqual(answer[name], "", name)
        self.assertNotEqual(answer["GetSipTunnalServer"], "")
        self.assertEqual(answer["GetPublicConfig.Reserved"], "")

    def test_extreme_numbers_are_accepted(self):
        answer = self.answers(-2147483648, 2147483647)
        self.assertEqual(answer["GetConfig.RegionNo"], "0")

    def test_help(self):
        result = run("--help")
        self.assertEqual(result.returncode, 0)
        self.assertIn("usage: ovixconfig REGION AREA_CODE", result.stdout)

    def test_usage_errors(self):
        cases = [((), "got 0 argument(s)"),
                 (("1",), "got 1 argument(s)"),
                 (("1", "2", "3"), "got 3 argument(s)"),
                 (("abc", "1"), 'region must be a whole number'),
                 (("1", "1.5"), 'area code must be a whole number'),
                 (("2147483648", "1"), '"2147483648"'),
                 (("1", "-2147483649"), '"-2147483649"'),
                 (("", "1"), 'got ""'),
                 ((" 1", "1"), 'got " 1"'),
                 (("1", "12x"), 'got "12x"')]
        for args, message in cases:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, "")
                self.assertIn(message, result.stderr)
                self.assertIn("usage: ovixconfig REGION AREA_CODE", result.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    PROGRAM = sys.argv[1]
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:])
