#!/usr/bin/python3
"""DORVAN's sunrise and sunset against python3-ephem, every day of a year, at latitudes
from 65° south to 65° north: each must be within 60 s, and a day without one must be a
day without one for both. The reference follows NOAA's definition: the sun's centre
0.833° below the horizon with no further refraction (pressure 0, horizon -0:50).

usage: ephem_sweep.py SUN_DAYS
"""
import subprocess
import sys
from datetime import datetime, timedelta, timezone

try:
    import ephem
except ImportError:
    print("SKIP: python3-ephem is not installed")
    sys.exit(77)

LIMIT = 60
FIRST_DAY = 20454  # 01.01.2026
DAYS = 365
EPOCH = datetime(1970, 1, 1, tzinfo=timezone.utc)


def reference(lat, lon, day):
    o = ephem.Observer()
    o.lat, o.lon, o.pressure, o.horizon, o.elevation = str(lat), str(lon), 0, "-0:50", 0
    # From the midnight of the local solar day: its next rising and setting are that day's.
    o.date = ephem.Date(EPOCH.replace(tzinfo=None) + timedelta(seconds=day * 86400 - lon * 240))
    out = []
    for find in (o.next_rising, o.next_setting):
        try:
            t = find(ephem.Sun(), use_center=True).datetime().replace(tzinfo=timezone.utc)
            out.append((t - EPOCH).total_seconds())
        except (ephem.AlwaysUpError, ephem.NeverUpError):
            out.append(None)
    return out


def main():
    worst, bad = (0.0, None), []
    for lat in range(-65, 66, 5):
        for lon in (-122.4, -58.4, 0.0, 28.98, 139.7):
            lines = subprocess.run([sys.argv[1], "days", str(lat), str(lon), str(FIRST_DAY), str(DAYS)],
                                   capture_output=True, text=True, check=True).stdout.splitlines()
            for line in lines:
                day, *ours = line.split()
                theirs = reference(lat, lon, int(day))
                for event, mine, ref in zip(("rise", "set"), ours, theirs):
                    where = "%s at %g, %g on day %s" % (event, lat, lon, day)
                    if (mine == "-") != (ref is None):
                        bad.append("%s: ours %s, ephem %s" % (where, mine, ref))
                    elif ref is not None:
                        diff = int(mine) - ref
                        if abs(diff) > abs(worst[0]):
                            worst = (diff, where)
                        if abs(diff) > LIMIT:
                            bad.append("%s: %+.0f s" % (where, diff))
    print("largest difference: %+.1f s (%s)" % worst)
    if bad:
        print("\n".join(bad[:20]), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
