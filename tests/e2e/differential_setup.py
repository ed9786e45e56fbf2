"""The command line and work folder the generated differential tests share."""
import os
import shutil
import sys


def setup(name, usage, default_count):
    """Reads `quorin work [count [first-seed]]`, checks that the configuration beside the binary
    chooses mode seminaive, and empties the work folder. Answers quorin, work, count, first seed
    and the configuration's text."""
    if len(sys.argv) < 3:
        sys.exit(usage)
    quorin, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else default_count
    first = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    with open(os.path.join(os.path.dirname(quorin), "config.flp")) as text:
        config = text.read()
    if 'mode@("seminaive")[].' not in config:
        sys.exit("%s: the configuration does not choose mode seminaive" % name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    return quorin, work, count, first, config
