#!/usr/bin/env python3
# A scripted UCI engine for the driver's tests. FAKE_ENGINE_MODE says how it
# behaves: good (answers as an engine should; after "stop" it still sends a
# line of the old position, score 999, before "bestmove"), garbage (prints
# noise and never "uciok"), crash (ends at "go"), hang (never answers
# "isready" and ignores "quit"), nostop (never answers "stop"), silent
# (answers nothing at all).
import os, sys, time

mode = os.environ.get("FAKE_ENGINE_MODE", "good")
side = "w"

def say(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()

multipv = 1

def move_for(side, rank=1):
    return (["g1f3", "b1c3", "a2a3"] if side == "w" else ["g8f6", "b8c6", "a7a6"])[min(rank, 3) - 1]

for raw in sys.stdin:
    words = raw.split()
    if not words or mode == "silent":
        continue
    cmd = words[0]
    if cmd == "setoption" and words[2] == "MultiPV":
        multipv = int(words[4])
    elif cmd == "uci":
        if mode == "garbage":
            for i in range(50):
                say("hello %d \x01\x02 this is no engine" % i)
            continue
        say("id name Fake Engine 1.0")
        for name in ("Threads", "Hash", "MultiPV", "UCI_Chess960"):
            say("option name %s type spin default 1 min 1 max 512" % name)
        say("uciok")
    elif cmd == "isready":
        if mode != "hang":
            say("readyok")
    elif cmd == "position":
        fen_side = words[3] if len(words) > 3 and words[1] == "fen" else "w"
        moves = words[words.index("moves") + 1:] if "moves" in words else []
        side = fen_side if len(moves) % 2 == 0 else ("b" if fen_side == "w" else "w")
    elif cmd == "go":
        if mode == "crash":
            sys.exit(3)
        m = move_for(side)
        say("info depth 1 seldepth 1 multipv 1 score cp 20 upperbound nodes 10 nps 5000 pv " + m)
        say("info depth 1 seldepth 1 multipv 1 score cp 15 nodes 20 nps 5000 pv " + m)
        say("info string thinking")
        say("info depth 2 currmove " + m + " currmovenumber 1")
        say("info depth 2 seldepth 2 multipv 1 score mate 3 nodes 40 nps 6000 pv " + m)
        for rank in range(2, multipv + 1):
            say("info depth 2 seldepth 2 multipv %d score cp -%d nodes 40 nps 6000 pv %s" % (rank, rank, move_for(side, rank)))
        if words[1:3] == ["depth", "2"]:
            say("bestmove " + m)
    elif cmd == "stop":
        if mode == "nostop":
            continue
        say("info depth 3 seldepth 3 multipv 1 score cp 999 nodes 50 nps 6000 pv " + move_for(side))
        say("bestmove " + move_for(side))
    elif cmd == "quit":
        if mode != "hang":
            sys.exit(0)
