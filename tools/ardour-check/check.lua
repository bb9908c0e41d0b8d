-- Runs inside Ardour's headless Lua session (ardourN-lua): records a few seconds of the
-- dummy backend's sine generator on a stereo track, puts the plug-in on that track and
-- exports the track through it. The shell driver compares the export with the take.
--
-- Environment: CHECK_SESSION_DIR, CHECK_EXPORT_DIR, CHECK_PLUGIN_TYPE (LXVST or LV2),
-- CHECK_PLUGIN_ID (the VST unique id, or the LV2 plug-in's URI), CHECK_PRESET_ID (export preset uuid), CHECK_SECONDS (length of the take).

local function env(name)
  local v = os.getenv(name)
  assert(v and v ~= "", "missing environment variable " .. name)
  return v
end

local session_dir = env("CHECK_SESSION_DIR")
local export_dir = env("CHECK_EXPORT_DIR")
local plugin_id = env("CHECK_PLUGIN_ID")
local plugin_type = env("CHECK_PLUGIN_TYPE")
local preset_id = env("CHECK_PRESET_ID")
local seconds = tonumber(env("CHECK_SECONDS"))

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "no dummy audio backend")
-- Each capture port of this generator plays a sine of its own phase: a channel swap shows.
assert(backend:set_device_name("Sine Wave") == 0, "dummy backend has no sine generator")

assert(create_session(session_dir, "check", 48000), "could not create the session")

local track = Session:new_audio_track(2, 2, nil, 1, "tone", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
assert(track, "could not create a stereo track")

-- Wire the generator to the track explicitly: auto-connect preferences vary.
local _, ports = Session:engine():get_backend_ports("", ARDOUR.DataType("audio"),
    ARDOUR.PortFlags.IsOutput | ARDOUR.PortFlags.IsPhysical, C.StringVector())
local capture = ports[4]
assert(capture:size() >= 2, "the dummy backend offers fewer than two capture ports")
for i = 0, 1 do
  local port = track:input():audio(i)
  port:disconnect_all()
  assert(port:connect(capture:at(i)) == 0, "could not connect " .. port:name())
end

-- Record the take in real time.
track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
Session:maybe_enable_record(false)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(math.floor(seconds * 1000000))
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(500000)
Session:disable_record(false, false)
track:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
ARDOUR.LuaAPI.usleep(500000)

local region
local count = 0
for r in track:playlist():region_list():iter() do
  region = r:to_audioregion()
  count = count + 1
end
assert(count == 1, "expected one recorded region, found " .. count)
-- Default fades would shape the ends; only the plug-in may touch the audio.
region:set_fade_in_active(false)
region:set_fade_out_active(false)
local first = region:position():samples()
local last = (region:position() + region:length()):samples()
print(string.format("CHECK take: %d frames from frame %d", last - first, first))

-- The plug-in goes first in the track's chain, before the fader.
local plugin = ARDOUR.LuaAPI.new_plugin(Session, plugin_id, ARDOUR.PluginType[plugin_type], "")
assert(not plugin:isnil(), "Ardour does not know the " .. plugin_type .. " plug-in " .. plugin_id)
assert(track:add_processor_by_index(plugin, 0, nil, true) == 0, "Ardour refused to insert the plug-in")
assert(plugin:active(), "the plug-in insert is not active")
local chain = {}
for i = 0, 32 do
  local p = track:nth_processor(i)
  if p:isnil() then break end
  chain[#chain + 1] = p:display_name()
end
print("CHECK chain: " .. table.concat(chain, " > "))

-- No panning law between track and export: channel n goes to output n untouched.
track:panner_shell():set_bypassed(true)
Session:master_out():panner_shell():set_bypassed(true)

local export = Session:simple_export()
assert(export:set_preset(preset_id), "the float WAV export preset was not found")
export:set_name("through-plugin")
export:set_folder(export_dir)
export:set_range(first, last)
assert(export:run_export(), "the export failed")
-- The export file is complete: what follows only keeps the session for a look with --keep,
-- and Ardour 7.3 has been seen to crash inside save_state on a heap it corrupted itself
-- (with no plug-in loaded at all).
print("CHECK exported")
io.stdout:flush()
Session:save_state("", false, false, false, false, false)
-- Closing a session after an export can abort inside Ardour: leave right away.
quit()
