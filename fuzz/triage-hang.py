# gdb script of fuzz/triage: run in a gdb attached to a fuzz program that has worked on one input for
# too long. It prints the main thread's stack ("STACK" lines, innermost first, up to the first frame
# of ours), then either a verdict of its own:
#   VERDICT unknown   no frame of ours on the stack
#   VERDICT ours      the innermost frame is ours: the program loops in our code
# or "CALLED-LIBMDB" / "CALLED-OTHER" for the call our code made into a library, which it then lets
# run on ("finish"), printing "RETURNED" if the call comes back. fuzz/triage gives it a limited time:
# a call into libmdb that never returns is libmdb's hang; one that returns leaves the loop to us.
import gdb

OURS = ("/src/db/", "/src/jet/", "/src/run/", "/src/common/", "/src/import/", "/fuzz/copy_fuzz")


def is_ours(frame):
    sal = frame.find_sal()
    return bool(sal.symtab) and any(p in sal.symtab.fullname() for p in OURS)


def library(frame):
    return gdb.solib_name(frame.pc()) or ""


def describe(frame):
    name = frame.name() or "??"
    sal = frame.find_sal()
    if sal.symtab:
        return "%s %s:%d" % (name, sal.symtab.fullname(), sal.line)
    # Outside our code the symbols are only the exported ones: the offset from the symbol tells
    # two places in one function (or in a static function after it) apart.
    try:
        where = gdb.execute("info symbol %d" % frame.pc(), to_string=True).split(" in section")[0]
        if not where.startswith("No symbol"):
            name = where.replace(" + ", "+").strip()
    except gdb.error:
        pass
    return "%s (%s)" % (name, library(frame) or "program")


gdb.execute("thread 1", to_string=True)
frame = gdb.newest_frame()
callee = None
index = 0
while frame is not None and not is_ours(frame):
    print("STACK #%d %s" % (index, describe(frame)))
    callee = frame
    frame = frame.older()
    index += 1
if frame is not None:
    print("STACK #%d %s" % (index, describe(frame)))

if frame is None:
    print("VERDICT unknown (no frame of ours on the stack)")
elif callee is None:
    print("VERDICT ours (the program is looping in our own code)")
else:
    # The frames above ours belong to the library our code called, and whatever that called in turn.
    kind = "CALLED-LIBMDB" if "libmdb" in library(callee) else "CALLED-OTHER"
    print("%s %s from %s" % (kind, describe(callee), describe(frame)))
    gdb.flush()  # fuzz/triage may kill gdb during the finish
    callee.select()
    try:
        gdb.execute("finish", to_string=True)
    except gdb.error as e:
        print("FINISH-ERROR %s" % e)
    else:
        if gdb.selected_inferior().pid != 0:
            print("RETURNED")
gdb.flush()
