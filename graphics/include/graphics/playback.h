#pragma once
// Video playback through the external player.

// Start-up: creates the playback thread with SIGALRM blocked.
void VideoPlayStreamInit();
