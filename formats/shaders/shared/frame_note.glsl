// Drive it with the uniform `frame`: the frames since the cycle started at the export's rate
// (frames_per_second below, 100 / the delay in hundredths of a second), kept as an int, e.g.
// frame = int(floor(seconds * frames_per_second)) from a clock that does not wrap. The shader
// reduces it modulo the loop's length, so it stays exact however long it runs.
