#!/usr/bin/env python3
"""A host made of Python's standard library alone, for a system that has no compiler and
may be too old for brimtrace-host (tools/release-check runs it in a Debian 11 root).

    release-check-host.py PLUGIN.so

Loads the plug-in through its exported entry as a host does, checks that stereo audio
passes through unchanged (float and, where offered, double blocks), then opens the editor
in a window on a private Xvfb, idles it as a host would and checks that it drew the
picture. Exits non-zero with one line on the first failure.
"""
import ctypes
import os
import random
import subprocess
import sys
import time
from ctypes import (CFUNCTYPE, POINTER, Structure, byref, c_char, c_double, c_float, c_int, c_int16,
                    c_int32, c_ssize_t, c_ulong, c_void_p, cast)

# The numbers a host and a VST 2.4 plug-in share (plugin/vst2.h).
MAGIC = 0x56737450
EFF_OPEN, EFF_CLOSE, EFF_SET_SAMPLE_RATE, EFF_SET_BLOCK_SIZE, EFF_MAINS_CHANGED = 0, 1, 10, 11, 12
EFF_EDIT_GET_RECT, EFF_EDIT_OPEN, EFF_EDIT_CLOSE, EFF_EDIT_IDLE = 13, 14, 15, 19
EFF_START_PROCESS, EFF_STOP_PROCESS = 71, 72
FLAG_HAS_EDITOR, FLAG_CAN_DOUBLE = 1 << 0, 1 << 12
MASTER_VERSION, MASTER_SIZE_WINDOW, MASTER_GET_SAMPLE_RATE, MASTER_GET_BLOCK_SIZE = 1, 15, 16, 17
RATE, BLOCK = 48000, 512


class AEffect(Structure):
    _fields_ = [("magic", c_int32), ("dispatcher", c_void_p), ("process", c_void_p),
                ("setParameter", c_void_p), ("getParameter", c_void_p), ("numPrograms", c_int32),
                ("numParams", c_int32), ("numInputs", c_int32), ("numOutputs", c_int32),
                ("flags", c_int32), ("resvd1", c_ssize_t), ("resvd2", c_ssize_t),
                ("initialDelay", c_int32), ("realQualities", c_int32), ("offQualities", c_int32),
                ("ioRatio", c_float), ("object", c_void_p), ("user", c_void_p), ("uniqueID", c_int32),
                ("version", c_int32), ("processReplacing", c_void_p),
                ("processDoubleReplacing", c_void_p), ("future", c_char * 56)]


class ERect(Structure):
    _fields_ = [("top", c_int16), ("left", c_int16), ("bottom", c_int16), ("right", c_int16)]


Master = CFUNCTYPE(c_ssize_t, c_void_p, c_int32, c_int32, c_ssize_t, c_void_p, c_float)
Dispatcher = CFUNCTYPE(c_ssize_t, POINTER(AEffect), c_int32, c_int32, c_ssize_t, c_void_p, c_float)


def fail(message):
    print("release-check-host: " + message, file=sys.stderr)
    sys.exit(1)


@Master
def master(effect, opcode, index, value, ptr, opt):
    return {MASTER_VERSION: 2400, MASTER_SIZE_WINDOW: 1, MASTER_GET_SAMPLE_RATE: RATE,
            MASTER_GET_BLOCK_SIZE: BLOCK}.get(opcode, 0)


def passes_unchanged(effect, sample, entry):
    """Blocks of random and edge-case samples through one process entry; True when every
    output sample is bit for bit its input."""
    process = CFUNCTYPE(None, POINTER(AEffect), POINTER(POINTER(sample)), POINTER(POINTER(sample)),
                        c_int32)(entry)
    rng = random.Random(20260721)
    edges = [0.0, -0.0, 1.0, -1.0, 1e-40, -1e-40, 3.4, 1e-30]
    for block in range(200):
        ins = [(sample * BLOCK)(), (sample * BLOCK)()]
        outs = [(sample * BLOCK)(), (sample * BLOCK)()]
        for channel in ins:
            for i in range(BLOCK):
                channel[i] = rng.choice(edges) if i % 61 == 0 else rng.uniform(-1.0, 1.0)
        in_ptrs = (POINTER(sample) * 2)(*[cast(c, POINTER(sample)) for c in ins])
        out_ptrs = (POINTER(sample) * 2)(*[cast(c, POINTER(sample)) for c in outs])
        process(effect, in_ptrs, out_ptrs, BLOCK)
        if any(bytes(i) != bytes(o) for i, o in zip(ins, outs)):
            return False
    return True


def private_display():
    """Starts Xvfb on a display number it picks itself; returns (process, ':N')."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        xvfb.kill()
        fail("Xvfb did not start")
    return xvfb, ":" + number


def check_editor(effect, dispatch):
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultScreen.argtypes = [c_void_p]
    x11.XRootWindow.restype = c_ulong
    x11.XRootWindow.argtypes = [c_void_p, c_int]
    x11.XCreateSimpleWindow.restype = c_ulong
    x11.XCreateSimpleWindow.argtypes = [c_void_p, c_ulong, c_int, c_int, ctypes.c_uint, ctypes.c_uint,
                                        ctypes.c_uint, c_ulong, c_ulong]
    x11.XMapWindow.argtypes = [c_void_p, c_ulong]
    x11.XSync.argtypes = [c_void_p, c_int]
    x11.XGetImage.restype = c_void_p
    x11.XGetImage.argtypes = [c_void_p, c_ulong, c_int, c_int, ctypes.c_uint, ctypes.c_uint, c_ulong, c_int]
    x11.XGetPixel.restype = c_ulong
    x11.XGetPixel.argtypes = [c_void_p, c_int, c_int]
    x11.XDestroyImage.argtypes = [c_void_p]
    x11.XDestroyWindow.argtypes = [c_void_p, c_ulong]
    x11.XCloseDisplay.argtypes = [c_void_p]

    xvfb, name = private_display()
    os.environ["DISPLAY"] = name  # the plug-in opens its own connection to the host's display
    try:
        display = None
        for _ in range(50):  # Xvfb may refuse a connection for a moment after it starts
            display = x11.XOpenDisplay(name.encode())
            if display:
                break
            time.sleep(0.1)
        if not display:
            fail("cannot open the private display " + name)
        rect = POINTER(ERect)()
        dispatch(effect, EFF_EDIT_GET_RECT, 0, 0, byref(rect), 0.0)
        if not rect:
            fail("the editor reports no size")
        width, height = rect.contents.right - rect.contents.left, rect.contents.bottom - rect.contents.top
        if width < 100 or height < 100:
            fail("the editor reports a size of %d x %d" % (width, height))
        root = x11.XRootWindow(display, x11.XDefaultScreen(display))
        frame = x11.XCreateSimpleWindow(display, root, 0, 0, width, height, 0, 0, 0)
        x11.XMapWindow(display, frame)
        x11.XSync(display, 0)
        if not dispatch(effect, EFF_EDIT_OPEN, 0, 0, c_void_p(frame), 0.0):
            fail("the editor did not open")
        # A host idles its editors every few tens of milliseconds.
        end = time.monotonic() + 1.5
        while time.monotonic() < end:
            dispatch(effect, EFF_EDIT_IDLE, 0, 0, None, 0.0)
            time.sleep(0.02)
        x11.XSync(display, 0)
        image = x11.XGetImage(display, frame, 0, 0, width, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            fail("cannot read the editor's window")
        colours = {x11.XGetPixel(image, x, y) for y in range(0, height, 3) for x in range(0, width, 3)}
        x11.XDestroyImage(image)
        dispatch(effect, EFF_EDIT_CLOSE, 0, 0, None, 0.0)
        x11.XDestroyWindow(display, frame)
        x11.XCloseDisplay(display)
        # The picture has a background image, the logo, texts and the legend's colours;
        # an editor that drew nothing leaves the frame's one colour.
        if len(colours) < 16:
            fail("the editor drew %d colours in its %d x %d window" % (len(colours), width, height))
        print("editor: opened on the private display %s, %d x %d, %d colours drawn"
              % (name, width, height, len(colours)))
    finally:
        xvfb.kill()
        xvfb.wait()


def main():
    if len(sys.argv) != 2:
        fail("usage: release-check-host.py PLUGIN.so")
    library = ctypes.CDLL(os.path.abspath(sys.argv[1]))
    entry = library.VSTPluginMain
    entry.restype = POINTER(AEffect)
    entry.argtypes = [Master]
    effect = entry(master)
    if not effect or effect.contents.magic != MAGIC:
        fail("VSTPluginMain returned no plug-in")
    plugin = effect.contents
    dispatch = Dispatcher(plugin.dispatcher)
    print("loaded through VSTPluginMain: %d inputs, %d outputs, unique id %08x, version %d"
          % (plugin.numInputs, plugin.numOutputs, plugin.uniqueID & 0xFFFFFFFF, plugin.version))
    if plugin.numInputs != 2 or plugin.numOutputs != 2:
        fail("expected a stereo plug-in")
    dispatch(effect, EFF_OPEN, 0, 0, None, 0.0)
    dispatch(effect, EFF_SET_SAMPLE_RATE, 0, 0, None, float(RATE))
    dispatch(effect, EFF_SET_BLOCK_SIZE, 0, BLOCK, None, 0.0)
    dispatch(effect, EFF_MAINS_CHANGED, 0, 1, None, 0.0)
    dispatch(effect, EFF_START_PROCESS, 0, 0, None, 0.0)
    if not passes_unchanged(effect, c_float, plugin.processReplacing):
        fail("processReplacing changed the audio")
    kinds = "float"
    if plugin.flags & FLAG_CAN_DOUBLE:
        if not passes_unchanged(effect, c_double, plugin.processDoubleReplacing):
            fail("processDoubleReplacing changed the audio")
        kinds += " and double"
    print("audio: 200 stereo blocks of %d %s samples passed through unchanged" % (BLOCK, kinds))
    if not plugin.flags & FLAG_HAS_EDITOR:
        fail("the plug-in offers no editor")
    check_editor(effect, dispatch)
    dispatch(effect, EFF_STOP_PROCESS, 0, 0, None, 0.0)
    dispatch(effect, EFF_MAINS_CHANGED, 0, 0, None, 0.0)
    dispatch(effect, EFF_CLOSE, 0, 0, None, 0.0)
    print("release-check-host: passed")


if __name__ == "__main__":
    main()
