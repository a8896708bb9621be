// The server's error codes and their texts.
#include "web/quorv_errors.h"

const quorv_error_entry quorv_error_table[] = {
    {0, "OK"},
    {300, "Unknown method"},
    {301, "Address not found"},
    {302, "Too many deferred read/write/query filter requests"},
    {303, "Send not possible"},
    {304, "Buffer overflow"},
    {401, "HTTP Authentication necessary but no header found - send a 401 Auth required"},
    {402, "RSA encrypted data not decryptable (corrupted data or corrupted/missing private key)"},
    {403, "Digest check failed"},
    {405, "Access denied"},
    {406, "Authorization header malformed"},
    {407, "Authorization data overflow, try later"},
    {408, "Password change failed"},
    {450, "Too many active sessions"},
    {451, "Requested session was not found"},
    {452, "X-Quorv digest does not match with our data"},
    {453, "X-Quorv is malformed"},
    {454, "X-Quorv is missing"},
    {455, "Auth type is form and no user/password were sent"},
    {457, "Required arguments are missing"},
    {459, "Subscription id not found"},
    {460, "Subscribed data item not found"},
    {461, "Publish queue overflow"},
    {462, "The nonce was already used - reply attack?"},
    {463, "Too many subscription frames in a session"},
    {464, "Too many subscription items in the server"},
    {465, "Subscribed data item already subscribed in this frame"},
    {466, "Session was aborted while waiting for data (queue overflow, expiry, other reasons)"},
    {467, "Invalid syntax of filter parameters"},
    {500, "Unspecified internal error"},
    {501, "Not implemented"},
    {502, "Data read callback not set"},
    {503, "Data write callback not set"},
    {505, "Password change callback not set"},
    {506, "Error fetching callback not set"},
    {507, "Password digest callback not set"},
    {508, "Lost a request waiting for auth"},
    {509, "Query filter callback not set"},
    {510, "Read history callback not set"},
    // The remote-server proxy's errors.
    {600, "Remote server unknown"},
    {601, "Remote server not accessible"},
    {602, "Remote server address not resolvable"},
    {603, "Requested remote session was not found"},
    {604, "Missing/invalid data in the remote response"},
    {605, "Invalid X-Quorv header in remote request"},
    {606, "Cannot process remote create session - no info, no RSA keys or level < Advanced?"},
    {607, "Send to remote server failed"},
    {608, "Cannot process remote login - no info, no RSA keys or level < Advanced?"},
    {609, "Login at the remote server failed"},
    {610, "Multipoint server is HTTP Digest, remote one not - cannot login"},
    {611, "Client not logged into multipoint server"},
    {612, "Server sent 401 but it is neither basic nor digest"},
    {613, "No or lost own authentication while handshaking the HTTP auth"},
    {614, "Different realms in multipoint and remote server - cannot login"},
    {615, "Remote server want's digest algorithm or qop we don't support"},
    {616, "Malformed WWW-Authenticate header"},
    {617, "Multipoint server without security can only communicate with servers without one as well"},
    {900, "Out of memory"},
    {10000, "Invalid Data"},
    {-1, nullptr},
};

int quorv_get_error_strings(int32_t code, const char** text, quorv_localized_string** list) {
  if (list) *list = nullptr;
  for (const quorv_error_entry* e = quorv_error_table; e->code != -1; ++e) {
    if (e->code == code) {
      if (text) *text = e->text;
      return 0;
    }
  }
  if (text) *text = "Cannot convert error code to an error string";
  return -1;
}
