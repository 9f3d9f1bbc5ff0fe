// placeholder until built
