// The translation unit that builds the libraries' shared precompiled header.
