# The intro: the sheep's quiet world on the moor, the wolves' threat at
# nightfall, and the wall of crates that holds them off.
movie INTRO.m4v 32
music intro.score

shot 0 6 dawn-title     # dawn over the moor; sleeping sheep; the title comes up
shot 6 13 meadow        # a sunny day: the flock grazes and plays on the crates
shot 13 20 dusk         # evening falls; red eyes in the wood; the sheep back away
shot 20 27 wolves       # night: the wolves charge; the crates fall into a wall
shot 27 32 stand        # the wolves slink off; the title returns under the stars

effect 7.2 sheep_bee1.wav 0.55
effect 9.8 sheep_bee2.wav 0.45
effect 11.4 sheep_unpack.wav 0.4
effect 16.0 wolf_fx1.wav 0.6
effect 18.3 sheep_bee3.wav 0.5
effect 20.6 wolf_unpack.wav 0.6
effect 21.5 plop1.wav 0.5
effect 21.9 plop2.wav 0.5
effect 22.2 plop1.wav 0.5
effect 22.6 plop3.wav 0.5
effect 22.9 plop2.wav 0.5
effect 23.3 plop1.wav 0.5
effect 25.0 explode_wood.wav 0.45
effect 25.2 wolf_eaten.wav 0.6
effect 28.4 good.wav 0.5
