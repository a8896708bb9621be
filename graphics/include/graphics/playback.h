#pragma once
// Video playback through the external player.

// Start-up: creates the playback thread with SIGALRM blocked.
void VideoPlayStreamInit();
// Asks the playback thread to stop a running player.
void VideoStop();
