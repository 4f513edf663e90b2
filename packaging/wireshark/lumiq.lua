-- Wireshark dissector for the Lumiq module protocol (Wireshark 4.0, Lua 5.2).
--
-- Over UDP port 5000 the tool sends "<target MAC>,<own MAC>," and an AT
-- command line; a module answers with the 20-byte header "<its MAC>," and
-- its reply. Over a serial cable the same command lines and replies travel
-- bare; lumiq-config's traces carry them under ethertype 0x88B5 in Linux
-- cooked (SLL2) records whose packet type tells the direction.
--
-- Texts from and to modules are GBK; they are decoded as GB18030, its
-- superset. Every read below stays inside the bytes captured: a short or
-- odd datagram is marked malformed, never a Lua error.

local lumiq = Proto("lumiq", "Lumiq module protocol")

local fields = {
    frame = ProtoField.string("lumiq.frame", "Frame"),
    target = ProtoField.string("lumiq.target_mac", "Target MAC"),
    sender = ProtoField.string("lumiq.sender_mac", "Sender MAC"),
    module = ProtoField.string("lumiq.module_mac", "Module MAC"),
    command = ProtoField.string("lumiq.command", "Command line"),
    operation = ProtoField.string("lumiq.operation", "Operation"),
    keyword = ProtoField.string("lumiq.keyword", "Keyword"),
    argument = ProtoField.string("lumiq.argument", "Argument"),
    reply = ProtoField.string("lumiq.reply", "Reply"),
    value = ProtoField.string("lumiq.value", "Value"),
    status = ProtoField.string("lumiq.status", "Status"),
    direction = ProtoField.string("lumiq.direction", "Direction"),
}
lumiq.fields = {}
for _, field in pairs(fields) do
    table.insert(lumiq.fields, field)
end

local malformed = ProtoExpert.new("lumiq.malformed", "Malformed Lumiq frame",
    expert.group.MALFORMED, expert.severity.ERROR)
local unknown = ProtoExpert.new("lumiq.unknown", "Not a command of the module's set",
    expert.group.PROTOCOL, expert.severity.WARN)
lumiq.experts = { malformed, unknown }

local sll_pkttype = Field.new("sll.pkttype")
local udp_srcport = Field.new("udp.srcport")
local PACKET_HOST, PACKET_OUTGOING = 0, 4

local EVERY_MODULE = "00:00:00:00:00:00"
-- The reply payload starts here whatever the length of the MAC text.
local REPLY_HEADER = 20

-- The length of the text at `offset` (0-based) in `raw` up to CR LF, a zero
-- byte or the end, and whether CR LF ended it.
local function line_at(raw, offset)
    local rest = raw:sub(offset + 1)
    local zero = rest:find("\0", 1, true)
    if zero then rest = rest:sub(1, zero - 1) end
    local crlf = rest:find("\r\n", 1, true)
    if crlf then return crlf - 1, true end
    return #rest, false
end

-- The range's bytes as text for the Info column. Wireshark 4.0's
-- TvbRange:string() cuts its result to the byte count of the range, which
-- loses the end of a GBK text turned into longer UTF-8; a zero-terminated
-- copy of the bytes decodes whole.
local function text(range)
    local raw = range:raw()
    if not raw:find("[\128-\255]") then return raw end
    return ByteArray.new(raw .. "\0", true):tvb("GBK text")(0):stringz(ENC_GB18030)
end

-- Adds the line of `len` bytes at `offset` under `field` and returns its
-- bytes and range; an empty line is marked and gives nil.
local function add_line(tvb, tree, field, offset, len, missing)
    if len == 0 then
        tree:add(field, tvb(offset, 0), "")
        tree:add_proto_expert_info(malformed, missing)
        return nil
    end
    local line = tvb(offset, len)
    tree:add_packet_field(field, line, ENC_GB18030)
    return tvb:raw(offset, len), line
end

-- One AT command line at `offset`, `len` bytes long. Returns the Info text.
local function command_line(tvb, tree, offset, len, target)
    local raw, line = add_line(tvb, tree, fields.command, offset, len, "No command line")
    if not raw then return "No command" end
    if raw == "AT" then
        tree:add(fields.keyword, line, "AT")
        if target == EVERY_MODULE then
            tree:add(fields.operation, line, "search"):set_generated()
            return "Search"
        end
        tree:add(fields.operation, line, "link test"):set_generated()
        return "Link test"
    end
    if raw:sub(1, 3) ~= "AT+" or len < 4 then
        tree:add_proto_expert_info(unknown)
        return "Unknown command " .. text(line)
    end
    local equals = raw:find("=", 4, true)
    local keyword_len = (equals and equals - 1 or len) - 3
    if keyword_len > 0 then
        tree:add(fields.keyword, tvb(offset + 3, keyword_len))
    end
    local keyword = raw:sub(4, 3 + keyword_len)
    if not equals then
        if keyword == "DEFAULT" then
            tree:add(fields.operation, line, "factory default"):set_generated()
            return "Factory default"
        end
        tree:add_proto_expert_info(unknown)
        return "Unknown command " .. text(line)
    end
    local argument_len = len - equals
    if argument_len == 1 and raw:sub(equals + 1) == "?" then
        tree:add(fields.operation, line, "query"):set_generated()
        return "Query " .. keyword
    end
    tree:add(fields.operation, line, "set"):set_generated()
    if argument_len > 0 then
        local argument = tvb(offset + equals, argument_len)
        tree:add_packet_field(fields.argument, argument, ENC_GB18030)
        return "Set " .. keyword .. "=" .. text(argument)
    end
    tree:add(fields.argument, line, ""):set_generated()
    return "Set " .. keyword .. " to nothing"
end

-- A module's reply at `offset`, `len` bytes. Returns the Info text.
local function reply_line(tvb, tree, offset, len)
    local raw, line = add_line(tvb, tree, fields.reply, offset, len, "Empty reply")
    if not raw then return "Empty reply" end
    if raw == "OK" or raw == "ERROR" then
        tree:add(fields.status, line)
        return raw
    end
    local equals = raw:find("=", 2, true)
    if raw:sub(1, 1) == "+" and equals then
        local keyword = raw:sub(2, equals - 1)
        if #keyword > 0 then tree:add(fields.keyword, tvb(offset + 1, #keyword)) end
        local value_len = len - equals
        if value_len > 0 then
            tree:add_packet_field(fields.value, tvb(offset + equals, value_len), ENC_GB18030)
        else
            tree:add(fields.value, line, ""):set_generated()
        end
        return "+" .. keyword .. "=" .. (value_len > 0 and text(tvb(offset + equals, value_len)) or "")
    end
    tree:add_proto_expert_info(unknown, "Not a reply of the module's set")
    return text(line)
end

local function ends_line(tree, tvb, offset, len, ended)
    if not ended then
        tree:add_proto_expert_info(malformed, "No CR LF at the end of the line")
    elseif offset + len + 2 < tvb:len() then
        tree:add_proto_expert_info(malformed, "Bytes after the line")
    end
end

local function dissect_udp(tvb, pinfo, tree)
    local raw = tvb:raw()
    local target, sender, after = raw:match("^<([^>]*)>,<([^>]*)>,()")
    if target then
        tree:add(fields.frame, tvb(0, after - 1), "command"):set_generated()
        tree:add(fields.target, tvb(1, #target))
        tree:add(fields.sender, tvb(#target + 4, #sender))
        local offset = after - 1
        local len, ended = line_at(raw, offset)
        local info = command_line(tvb, tree, offset, len, target)
        -- The link test of the search ends its line; so do all commands.
        ends_line(tree, tvb, offset, len, ended)
        pinfo.cols.info = info .. (target == EVERY_MODULE and " from " .. sender or " to " .. target)
        return
    end
    if raw:sub(1, 1) ~= "<" then
        tree:add_proto_expert_info(malformed, "Neither a command envelope nor a reply header")
        pinfo.cols.info = "Malformed"
        return
    end
    tree:add(fields.frame, tvb(0, math.min(#raw, REPLY_HEADER)), "reply"):set_generated()
    local mac_end = raw:find(">", 2, true)
    local zero = raw:find("\0", 2, true)
    if not mac_end or (zero and zero < mac_end) or mac_end > REPLY_HEADER - 1 then
        tree:add_proto_expert_info(malformed, "The reply header has no end of its MAC text")
        pinfo.cols.info = "Malformed reply"
        return
    end
    tree:add(fields.module, tvb(1, mac_end - 2))
    if #raw < REPLY_HEADER then
        tree:add_proto_expert_info(malformed, "Shorter than the 20-byte reply header")
        pinfo.cols.info = "Malformed reply from " .. raw:sub(2, mac_end - 1)
        return
    end
    local len, ended = line_at(raw, REPLY_HEADER)
    local info = reply_line(tvb, tree, REPLY_HEADER, len)
    -- The module answers the link test with a bare "OK".
    if tvb:raw(REPLY_HEADER, len) ~= "OK" then ends_line(tree, tvb, REPLY_HEADER, len, ended) end
    pinfo.cols.info = "Reply from " .. raw:sub(2, mac_end - 1) .. ": " .. info
end

local function dissect_serial(tvb, pinfo, tree)
    local pkttype = sll_pkttype()
    local outgoing
    if pkttype then
        outgoing = pkttype.value == PACKET_OUTGOING
    else
        outgoing = tvb:raw(0, math.min(2, tvb:len())) == "AT"
    end
    local raw = tvb:raw()
    local len = line_at(raw, 0)
    if outgoing then
        tree:add(fields.direction, tvb(0), "tool to module"):set_generated()
        pinfo.cols.info = "Serial: " .. command_line(tvb, tree, 0, len, nil)
    else
        tree:add(fields.direction, tvb(0), "module to tool"):set_generated()
        -- A read takes what has come so far: a reply may be in pieces.
        pinfo.cols.info = "Serial reply: " .. reply_line(tvb, tree, 0, len)
    end
end

function lumiq.dissector(tvb, pinfo, tree)
    if tvb:len() == 0 then return 0 end
    pinfo.cols.protocol = "LUMIQ"
    local subtree = tree:add(lumiq, tvb())
    if udp_srcport() then
        dissect_udp(tvb, pinfo, subtree)
    else
        dissect_serial(tvb, pinfo, subtree)
    end
    return tvb:len()
end

DissectorTable.get("udp.port"):add(5000, lumiq)
DissectorTable.get("ethertype"):add(0x88B5, lumiq)
