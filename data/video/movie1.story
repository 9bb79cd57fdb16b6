# The outro: morning after the last night, the wolves run for the hills and
# the flock walks home to its farm.
movie movie1.mp4 26
music outro.score

shot 0 6 morning        # sunrise; the wolves flee over the hill; the sheep leap for joy
shot 6 14 road          # the flock on the road home
shot 14 21 farm         # the barn door opens and the sheep go in, one by one
shot 21 26 sunset-title # sunset over the farm and the title

effect 1.0 wolf_eaten.wav 0.5
effect 2.4 sheep_bee2.wav 0.5
effect 3.6 sheep_bee1.wav 0.45
effect 9.5 sheep_bee3.wav 0.4
effect 15.0 reload_default.wav 0.35
effect 17.2 sheep_unpack.wav 0.4
effect 19.0 sheep_bee2.wav 0.4
effect 21.6 get_powerup03.wav 0.5
