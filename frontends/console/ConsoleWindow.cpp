// Console window (in progress).
