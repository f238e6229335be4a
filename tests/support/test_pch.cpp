// The precompiled header every test program reuses is built with this file.
