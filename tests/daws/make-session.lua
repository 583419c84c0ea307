-- Builds the Ardour session of the DAW test: one stereo audio track holding the
-- plug-in, with Touch automation on the ports listed in vf_touch.
-- The caller prepends vf_dir, vf_name, vf_uri and vf_touch.
assert(create_session(vf_dir, vf_name, 48000), "create_session failed")
local tracks = Session:new_audio_track(2, 2, nil, 1, "VF", ARDOUR.PresentationInfo.max_order,
                                       ARDOUR.TrackMode.Normal, true)
local route = tracks:front()
local proc = ARDOUR.LuaAPI.new_plugin(Session, vf_uri, ARDOUR.PluginType.LV2, "")
assert(not proc:isnil(), "plug-in not found: " .. vf_uri)
assert(route:add_processor_by_index(proc, 0, nil, true) == 0, "add_processor_by_index failed")
for _, port in ipairs(vf_touch) do
  local param = Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, port)
  local ac = proc:to_insert():to_automatable():automation_control(param, true)
  assert(not ac:isnil(), "no control for port " .. port)
  ac:set_automation_state(ARDOUR.AutoState.Touch)
end
Session:save_state("", false, false, false, false, false)
close_session()
quit()
